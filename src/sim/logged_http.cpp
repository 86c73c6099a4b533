#include "sim/logged_http.h"

HttpAnswer LoggedHttp::Get(const std::string& url, const std::vector<HttpHeader>& headers,
                           int32_t timeLimitMs) {
    HttpAnswer answer = inner_.Get(url, headers, timeLimitMs);
    static const char* const kOutcomes[] = {"ok",        "http-error", "no-connection",
                                            "timed-out", "too-large",  "failed"};
    requests.emplace_back(url, kOutcomes[static_cast<int>(answer.outcome)]);
    return answer;
}
