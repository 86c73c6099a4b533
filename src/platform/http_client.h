#pragma once
// HTTP GET and POST for the score server. Requests block the calling thread, but never for long:
// the connection gets kHttpConnectTimeoutMs, the whole request kHttpRequestTimeoutMs or the
// caller's own smaller bound, and an answer longer than kHttpAnswerLimit bytes is cut off and
// counts as failed.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr int32_t kHttpConnectTimeoutMs = 3000;
inline constexpr int32_t kHttpRequestTimeoutMs = 6000;
inline constexpr size_t kHttpAnswerLimit = 64 * 1024;

struct HttpHeader {
    std::string name;
    std::string value;
};

struct HttpAnswer {
    enum class Outcome {
        Ok,            // a 2xx status and the whole body
        HttpError,     // the server answered with another status
        NoConnection,  // refused, unreachable, no such host
        TimedOut,      // no connection or no whole answer within the bounds
        TooLarge,      // the body passed kHttpAnswerLimit
        Failed,        // anything else (a broken connection, a bad URL, ...)
    };
    Outcome outcome = Outcome::Failed;
    int32_t status = 0;     // the HTTP status, 0 when none arrived
    std::string body;       // what arrived, never more than kHttpAnswerLimit bytes
    std::string detail;     // the client's own words on a failure, for the log
    int32_t elapsedMs = 0;  // from the request's start to its end, however it ended

    bool Ok() const { return outcome == Outcome::Ok; }
};

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    // One GET with these request headers, over within timeLimitMs (the connection included, and
    // never more than kHttpRequestTimeoutMs): a request with no time left is not sent and counts
    // as timed out. Cookies the server sets are kept for later requests.
    virtual HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                           int32_t timeLimitMs) = 0;
    // The same within the usual bound.
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers) {
        return Get(url, headers, kHttpRequestTimeoutMs);
    }
    // One POST of `body` with these request headers (its Content-Type among them), within the
    // same bounds as a GET; a request with no time left is not sent. Nothing is sent twice.
    virtual HttpAnswer Post(const std::string& url, const std::vector<HttpHeader>& headers,
                            std::span<const uint8_t> body, int32_t timeLimitMs) = 0;
};
