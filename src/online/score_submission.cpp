#include "online/score_submission.h"

#include <cctype>
#include <cstdio>

#include "app/game_state.h"
#include "app/text_codec.h"
#include "platform/window.h"

std::vector<HttpHeader> ScoreServerHeaders() {
    // The headers the score server has always seen from the game.
    return {{"Accept", "text/html, */*"},
            {"Content-Type", "text/html"},
            {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"}};
}

std::string VersionAnswerField(std::string_view answer) {
    std::string_view rest = answer;
    std::string_view field;
    for (int i = 0; i < 5; ++i) {
        const size_t bar = rest.find('|');
        if (bar == std::string_view::npos) {
            field = {};  // the rest stays as it is
        } else {
            field = rest.substr(0, bar);
            rest = rest.substr(bar + 1);
        }
    }
    return std::string(field);
}

std::string ResultRecord(std::string_view name, int32_t score, std::string_view p, std::string_view country) {
    std::string record = "type=0|name=";
    record += name;
    record += "|score=" + std::to_string(score);
    record += "|key=";
    record += kScoreKey;
    record += "|p=";
    record += p;
    record += "|add=";
    record += country;
    record += "|z=";
    // A multiple of 5 characters encodes without bits put in front, so the server decodes the
    // record exactly.
    record.append((5 - record.size() % 5) % 5, '0');
    return record;
}

namespace {

std::string Url(std::string_view serverBase, std::string_view query) {
    while (!serverBase.empty() && serverBase.back() == '/') serverBase.remove_suffix(1);
    return std::string(serverBase) + std::string(query);
}

// The token as a query value: it is the server's own text, and a query keeps only these as they are.
std::string QueryValue(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

// What the score server is told a replay is.
std::vector<HttpHeader> ReplayHeaders() {
    return {{"Accept", "application/json"}, {"Content-Type", "application/octet-stream"}};
}

}  // namespace

SubmitResult SendScore(IHttpClient& http, std::string_view serverBase, std::string_view name, int32_t score,
                       std::string_view country, std::span<const uint8_t> replay) {
    const std::vector<HttpHeader> headers = ScoreServerHeaders();
    // The player waits with everything stopped: the whole exchange has one bound, however the
    // server drips its answers.
    const HttpAnswer version = http.Get(Url(serverBase, kVersionQuery), headers, kScoreExchangeMs);
    // A failed request leaves no answer to read: a part of a body cut off by a time-out or the
    // size limit is no version answer.
    const std::string answer = version.Ok() ? version.body : std::string();
    if (answer.compare(0, 2, "OK") != 0) {
        if (!version.Ok()) std::fprintf(stderr, "vandrax: score server: %s\n", version.detail.c_str());
        return SubmitResult::CannotConnect;
    }
    const std::string token = VersionAnswerField(answer);
    const std::string record = ResultRecord(name, score, token, country);
    const int32_t left = kScoreExchangeMs - version.elapsedMs;
    const HttpAnswer sent = http.Get(Url(serverBase, kScoreQuery) + EncodeText(record), headers, left);
    // A lost score query is not the player's business; the log keeps it.
    if (!sent.Ok()) {
        std::fprintf(stderr, "vandrax: score server: %s\n", sent.detail.c_str());
        return SubmitResult::Sent;
    }
    // The replay vouches for a score the server has stored; without time left it is not sent.
    if (replay.empty()) return SubmitResult::Sent;
    const HttpAnswer uploaded = http.Post(Url(serverBase, kReplayUpload) + QueryValue(token), ReplayHeaders(),
                                          replay, left - sent.elapsedMs);
    if (!uploaded.Ok()) std::fprintf(stderr, "vandrax: score server: replay: %s\n", uploaded.detail.c_str());
    return SubmitResult::Sent;
}

SubmitResult SubmitScore(IHttpClient& http, IWindow& window, std::string_view serverBase,
                         const GameState& state, std::span<const uint8_t> replay) {
    const SubmitResult result = SendScore(http, serverBase, state.Edit2, state.Score, state.Edit1, replay);
    if (result == SubmitResult::CannotConnect) window.ShowInformation(std::string(kCannotConnect));
    return result;
}
