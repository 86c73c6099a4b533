#pragma once
// Every request the game makes, with how it ended, on the way to the real client or the offline
// one: the state file lists them.

#include <string>
#include <vector>

#include "platform/http_client.h"

struct LoggedRequest {
    std::string method;  // "GET" or "POST"
    std::string url;
    std::string outcome;   // "ok", "http-error", "no-connection", "timed-out", "too-large", "failed"
    int32_t status = 0;    // the HTTP status, 0 when none arrived
    size_t bodyBytes = 0;  // what a POST sent
};

class LoggedHttp : public IHttpClient {
public:
    explicit LoggedHttp(IHttpClient& inner) : inner_(inner) {}
    using IHttpClient::Get;
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                   int32_t timeLimitMs) override;
    HttpAnswer Post(const std::string& url, const std::vector<HttpHeader>& headers,
                    std::span<const uint8_t> body, int32_t timeLimitMs) override;

    std::vector<LoggedRequest> requests;

private:
    HttpAnswer Log(std::string method, const std::string& url, size_t bodyBytes, HttpAnswer answer);

    IHttpClient& inner_;
};
