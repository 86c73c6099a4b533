#include "sim/logged_http.h"

HttpAnswer LoggedHttp::Get(const std::string& url, const std::vector<HttpHeader>& headers,
                           int32_t timeLimitMs) {
    return Log("GET", url, 0, inner_.Get(url, headers, timeLimitMs));
}

HttpAnswer LoggedHttp::Post(const std::string& url, const std::vector<HttpHeader>& headers,
                            std::span<const uint8_t> body, int32_t timeLimitMs) {
    return Log("POST", url, body.size(), inner_.Post(url, headers, body, timeLimitMs));
}

HttpAnswer LoggedHttp::Log(std::string method, const std::string& url, size_t bodyBytes, HttpAnswer answer) {
    static const char* const kOutcomes[] = {"ok",        "http-error", "no-connection",
                                            "timed-out", "too-large",  "failed"};
    requests.push_back(
        {std::move(method), url, kOutcomes[static_cast<int>(answer.outcome)], answer.status, bodyBytes});
    return answer;
}
