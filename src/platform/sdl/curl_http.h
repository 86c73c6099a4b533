#pragma once
// The HTTP client on libcurl: one handle for the program's life, so connections and cookies
// carry from one request to the next. No proxy, no redirects, plain http and https only.
// libcurl itself is loaded with the first request.

#include <cstddef>
#include <cstdint>

#include "platform/http_client.h"

class CurlHttpClient : public IHttpClient {
public:
    struct Limits {
        int32_t connectMs = kHttpConnectTimeoutMs;
        int32_t requestMs = kHttpRequestTimeoutMs;
        size_t answerBytes = kHttpAnswerLimit;
    };
    CurlHttpClient() : CurlHttpClient(Limits{}) {}
    explicit CurlHttpClient(const Limits& limits);
    ~CurlHttpClient() override;
    CurlHttpClient(const CurlHttpClient&) = delete;
    CurlHttpClient& operator=(const CurlHttpClient&) = delete;

    using IHttpClient::Get;
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                   int32_t timeLimitMs) override;
    HttpAnswer Post(const std::string& url, const std::vector<HttpHeader>& headers,
                    std::span<const uint8_t> body, int32_t timeLimitMs) override;

private:
    // A GET when `body` is null, else a POST of it.
    HttpAnswer Perform(const std::string& url, const std::vector<HttpHeader>& headers,
                       const std::span<const uint8_t>* body, int32_t timeLimitMs);

    // The handle, made (and libcurl loaded) on the first request; null when libcurl cannot be had.
    void* Handle();

    void* handle_ = nullptr;  // CURL*
    bool triedHandle_ = false;
    Limits limits_;
};
