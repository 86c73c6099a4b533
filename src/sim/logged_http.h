#pragma once
// Every request the game makes, with how it ended, on the way to the real client or the offline
// one: the state file lists them.

#include <string>
#include <utility>
#include <vector>

#include "platform/http_client.h"

class LoggedHttp : public IHttpClient {
public:
    explicit LoggedHttp(IHttpClient& inner) : inner_(inner) {}
    using IHttpClient::Get;
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                   int32_t timeLimitMs) override;

    std::vector<std::pair<std::string, std::string>> requests;  // URL, outcome

private:
    IHttpClient& inner_;
};
