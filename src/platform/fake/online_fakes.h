#pragma once
// Stand-ins for the online side of the platform: an HTTP client that answers from a script, a
// desktop that only writes down what it was asked to open, and a picture loader that needs no
// decoder. Each records what the game asked of it.

#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/picture_loader.h"

class ScriptedHttpClient : public IHttpClient {
public:
    using IHttpClient::Get;
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                   int32_t timeLimitMs) override;
    HttpAnswer Post(const std::string& url, const std::vector<HttpHeader>& headers,
                    std::span<const uint8_t> body, int32_t timeLimitMs) override;

    // Answers in order of the requests, GET or POST (each taking its elapsedMs); once they are used
    // up every request finds no server. A request with no time left is not sent and is not recorded.
    std::deque<HttpAnswer> answers;
    struct Request {
        std::string method;
        std::string url;
        std::vector<HttpHeader> headers;
        int32_t timeLimitMs = 0;
        std::vector<uint8_t> body;
    };
    std::vector<Request> requests;

    static HttpAnswer Answer(const std::string& body);
    static HttpAnswer Failure(HttpAnswer::Outcome outcome, const std::string& partialBody = "");

private:
    HttpAnswer Take(Request request);
};

class RecordingDesktop : public IDesktop {
public:
    void OpenUrl(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

// Any existing file is a picture: 8 x 8 opaque white unless `sizes` names its file name, and
// nothing when `undecodable` does.
class FakePictureLoader : public IPictureLoader {
public:
    std::optional<LoadedPicture> Load(const std::filesystem::path& file) override;

    std::map<std::string, std::pair<int32_t, int32_t>> sizes;
    std::set<std::string> undecodable;
    std::vector<std::filesystem::path> loaded;  // every request, in order
};
