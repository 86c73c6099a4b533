#pragma once
// What the game runs on when the platform gives it no network, no desktop or no picture
// decoder: no request reaches a server, nothing opens, no picture decodes (so there is no
// promotion page to show).

#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/picture_loader.h"

class NoNetwork : public IHttpClient {
public:
    using IHttpClient::Get;
    HttpAnswer Get(const std::string&, const std::vector<HttpHeader>&, int32_t) override { return None(); }
    HttpAnswer Post(const std::string&, const std::vector<HttpHeader>&, std::span<const uint8_t>,
                    int32_t) override {
        return None();
    }

private:
    static HttpAnswer None() {
        HttpAnswer answer;
        answer.outcome = HttpAnswer::Outcome::NoConnection;
        answer.detail = "no network";
        return answer;
    }
};

class NoDesktop : public IDesktop {
public:
    void OpenUrl(const std::string&) override {}
};

class NoPictures : public IPictureLoader {
public:
    std::optional<LoadedPicture> Load(const std::filesystem::path&) override { return std::nullopt; }
};
