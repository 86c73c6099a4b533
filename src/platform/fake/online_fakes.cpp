#include "platform/fake/online_fakes.h"

#include <system_error>

HttpAnswer ScriptedHttpClient::Get(const std::string& url, const std::vector<HttpHeader>& headers,
                                   int32_t timeLimitMs) {
    return Take({"GET", url, headers, timeLimitMs, {}});
}

HttpAnswer ScriptedHttpClient::Post(const std::string& url, const std::vector<HttpHeader>& headers,
                                    std::span<const uint8_t> body, int32_t timeLimitMs) {
    return Take({"POST", url, headers, timeLimitMs, std::vector<uint8_t>(body.begin(), body.end())});
}

HttpAnswer ScriptedHttpClient::Take(Request request) {
    if (request.timeLimitMs <= 0) return Failure(HttpAnswer::Outcome::TimedOut);
    requests.push_back(std::move(request));
    if (answers.empty()) return Failure(HttpAnswer::Outcome::NoConnection);
    HttpAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

HttpAnswer ScriptedHttpClient::Answer(const std::string& body) {
    HttpAnswer answer;
    answer.outcome = HttpAnswer::Outcome::Ok;
    answer.status = 200;
    answer.body = body;
    return answer;
}

HttpAnswer ScriptedHttpClient::Failure(HttpAnswer::Outcome outcome, const std::string& partialBody) {
    HttpAnswer answer;
    answer.outcome = outcome;
    answer.status = outcome == HttpAnswer::Outcome::HttpError ? 500 : 0;
    answer.body = partialBody;
    answer.detail = "scripted failure";
    return answer;
}

std::optional<LoadedPicture> FakePictureLoader::Load(const std::filesystem::path& file) {
    loaded.push_back(file);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    const std::string name = file.filename().string();
    if (undecodable.count(name) != 0) return std::nullopt;
    LoadedPicture picture;
    picture.width = picture.height = 8;
    if (auto size = sizes.find(name); size != sizes.end()) {
        picture.width = size->second.first;
        picture.height = size->second.second;
    }
    picture.pixels.assign(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height),
                          0xFFFFFFFFu);
    return picture;
}
