// Sending a score: the record, its filling and encoding, the two queries with their headers,
// and what each kind of answer from the server leads to.

#include "online/score_submission.h"

#include <gtest/gtest.h>

#include "app/game_state.h"
#include "app/text_codec.h"
#include "platform/fake/fakes.h"
#include "platform/fake/online_fakes.h"

namespace {

const std::string kServer = "http://localhost:8642";
const std::string kVersionUrl = kServer + "/cgi/version.pl?version&prg=Vandrax";
const std::string kScorePrefix = kServer + "/cgi/version.pl?hs&prg=Vandrax&inf=";

using Outcome = HttpAnswer::Outcome;

// The record a score query carries, decoded the way the server decodes it.
std::string SentRecord(const ScriptedHttpClient& http) {
    const std::string& url = http.requests.at(1).url;
    EXPECT_EQ(url.rfind(kScorePrefix, 0), 0u) << url;
    return DecodeText(url.substr(kScorePrefix.size()));
}

TEST(ResultRecord, FieldsInTheirOrderFilledWithZerosToAMultipleOfFive) {
    EXPECT_EQ(ResultRecord("Anna", 12345, "77", "Norway"),
              "type=0|name=Anna|score=12345|key=1|p=77|add=Norway|z=00");
    struct Case {
        std::string name;
        size_t zeros;
    };
    // The bare record with score 0 and no name, p or country is 37 characters.
    const Case cases[] = {{"", 3}, {"a", 2}, {"ab", 1}, {"abc", 0}, {"abcd", 4}, {"abcde", 3}};
    for (const Case& c : cases) {
        const std::string record = ResultRecord(c.name, 0, "", "");
        EXPECT_EQ(record.size() % 5, 0u) << c.name;
        EXPECT_EQ(record.size(), 37 + c.name.size() + c.zeros) << c.name;
        EXPECT_EQ(record.substr(record.size() - 3 - c.zeros), "|z=" + std::string(c.zeros, '0')) << c.name;
    }
}

TEST(ResultRecord, ARecordOf62CharactersGetsThreeZerosAnd104Symbols) {
    const std::string name(62 - 37, 'n');
    const std::string record = ResultRecord(name, 0, "", "");
    EXPECT_EQ(record.size(), 65u);
    EXPECT_EQ(record.substr(59), "|z=000");
    const std::string encoded = EncodeText(record);
    EXPECT_EQ(encoded.size(), 104u);
    // Filled to a multiple of 5, the record comes back exactly: no byte 0 in front.
    EXPECT_EQ(DecodeText(encoded), record);
}

TEST(VersionAnswer, TheFifthFieldWithOkCountedFirst) {
    const std::pair<const char*, const char*> cases[] = {
        {"OK|a|b|c|d|e", "d"}, {"OK|a|b|c|d|", "d"},       {"OK", ""}, {"OK|a|b|c", ""}, {"OK|a|b|c|d", ""},
        {"OK||||x|y", "x"},    {"OK|1|2|3|4567|", "4567"},
    };
    for (const auto& [answer, field] : cases) EXPECT_EQ(VersionAnswerField(answer), field) << answer;
}

TEST(SendScore, AsksForTheVersionThenSendsTheEncodedRecordWithTheGamesHeaders) {
    ScriptedHttpClient http;
    http.answers.push_back(ScriptedHttpClient::Answer("OK|1.0|x|y|p-token|tail"));
    http.answers.push_back(ScriptedHttpClient::Answer("thanks"));
    EXPECT_EQ(SendScore(http, kServer + "/", "Zed|x", 4200, "Iceland"), SubmitResult::Sent);

    ASSERT_EQ(http.requests.size(), 2u);
    EXPECT_EQ(http.requests[0].url, kVersionUrl);
    // A name holding "|" goes as it is.
    EXPECT_EQ(SentRecord(http), "type=0|name=Zed|x|score=4200|key=1|p=p-token|add=Iceland|z=0");
    for (const auto& request : http.requests) {
        ASSERT_EQ(request.headers.size(), 3u);
        EXPECT_EQ(request.headers[0].name, "Accept");
        EXPECT_EQ(request.headers[0].value, "text/html, */*");
        EXPECT_EQ(request.headers[1].name, "Content-Type");
        EXPECT_EQ(request.headers[1].value, "text/html");
        EXPECT_EQ(request.headers[2].name, "User-Agent");
        EXPECT_EQ(request.headers[2].value, "Mozilla/3.0 (compatible; Indy Library)");
    }
}

TEST(SubmitScore, WhatEachVersionAnswerLeadsTo) {
    struct Case {
        const char* what;
        HttpAnswer version;
        bool sent;
    };
    const std::string big(kHttpAnswerLimit, 'x');
    const Case cases[] = {
        {"OK alone", ScriptedHttpClient::Answer("OK"), true},
        {"OK and fields", ScriptedHttpClient::Answer("OK|a|b|c|d|e"), true},
        {"ok in small letters", ScriptedHttpClient::Answer("ok|a|b|c|d|e"), false},
        {"an empty answer", ScriptedHttpClient::Answer(""), false},
        {"a server error page", ScriptedHttpClient::Failure(Outcome::HttpError, "OK|looks|fine|but|is|not"),
         false},
        {"no server", ScriptedHttpClient::Failure(Outcome::NoConnection), false},
        {"cut off by the time-out", ScriptedHttpClient::Failure(Outcome::TimedOut, "OK|a|b"), false},
        {"cut off by the size limit", ScriptedHttpClient::Failure(Outcome::TooLarge, "OK|a|b|c|d|" + big),
         false},
    };
    for (const Case& c : cases) {
        ScriptedHttpClient http;
        FakeWindow window;
        GameState state;
        state.Edit2 = "Anna";
        state.Edit1 = "Chile";
        state.Score = 999;
        http.answers.push_back(c.version);
        http.answers.push_back(ScriptedHttpClient::Answer(""));
        const SubmitResult result = SubmitScore(http, window, kServer, state);
        if (c.sent) {
            EXPECT_EQ(result, SubmitResult::Sent) << c.what;
            ASSERT_EQ(http.requests.size(), 2u) << c.what;
            EXPECT_TRUE(window.messages.empty()) << c.what;
            EXPECT_EQ(SentRecord(http).substr(0, 32), "type=0|name=Anna|score=999|key=1") << c.what;
        } else {
            EXPECT_EQ(result, SubmitResult::CannotConnect) << c.what;
            EXPECT_EQ(http.requests.size(), 1u) << c.what << ": nothing is sent";
            ASSERT_EQ(window.messages.size(), 1u) << c.what;
            EXPECT_EQ(window.messages[0], "Can't connect to server!") << c.what;
        }
    }
}

TEST(SubmitScore, ALostScoreQueryIsSilentAndNothingIsTriedAgain) {
    for (Outcome failure :
         {Outcome::NoConnection, Outcome::TimedOut, Outcome::HttpError, Outcome::TooLarge}) {
        ScriptedHttpClient http;
        FakeWindow window;
        GameState state;
        state.Edit2 = "Bo";
        http.answers.push_back(ScriptedHttpClient::Answer("OK|1|2|3|4|5"));
        http.answers.push_back(ScriptedHttpClient::Failure(failure));
        EXPECT_EQ(SubmitScore(http, window, kServer, state), SubmitResult::Sent);
        EXPECT_EQ(http.requests.size(), 2u);
        EXPECT_TRUE(window.messages.empty());
    }
}

// The player waits at most one bound for the whole exchange: the score query gets what the
// version query left of it, and none at all is not sent (silently, as a lost score query).
TEST(SubmitScore, TheWholeExchangeHasOneBound) {
    struct Case {
        int32_t versionMs;   // how long the version answer took
        size_t requests;     // queries that went out
        int32_t scoreLimit;  // the bound the score query was given
    };
    const Case cases[] = {{0, 2, kScoreExchangeMs},
                          {1200, 2, kScoreExchangeMs - 1200},
                          {5500, 2, 500},
                          {5999, 2, 1},
                          {6000, 1, 0},
                          {7000, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.versionMs);
        ScriptedHttpClient http;
        FakeWindow window;
        GameState state;
        HttpAnswer version = ScriptedHttpClient::Answer("OK|1|2|3|4|5");
        version.elapsedMs = c.versionMs;
        http.answers.push_back(version);
        http.answers.push_back(ScriptedHttpClient::Answer("OK"));
        EXPECT_EQ(SubmitScore(http, window, kServer, state), SubmitResult::Sent);
        ASSERT_EQ(http.requests.size(), c.requests);
        EXPECT_EQ(http.requests[0].timeLimitMs, kScoreExchangeMs);
        if (c.requests == 2) {
            EXPECT_EQ(http.requests[1].timeLimitMs, c.scoreLimit);
        }
        EXPECT_TRUE(window.messages.empty());
    }
}

// The game's replay goes up once the score is stored: a POST of the file's bytes, with the token
// the score query carried, in what is left of the exchange's one bound.
TEST(SendScore, AStoredScoreIsFollowedByItsReplayWithTheSameToken) {
    ScriptedHttpClient http;
    HttpAnswer version = ScriptedHttpClient::Answer("OK|1.0|x|y|Tk/9+=|tail");
    version.elapsedMs = 1200;
    HttpAnswer stored = ScriptedHttpClient::Answer("OK");
    stored.elapsedMs = 800;
    http.answers = {version, stored, ScriptedHttpClient::Answer("{\"verified\": null}")};
    const std::vector<uint8_t> replay = {'V', 'A', 'N', 'D', 'R', 'A', 'X', 'R', 0, 1, 255, 0};
    EXPECT_EQ(SendScore(http, kServer + "/", "Rex", 2600, "", replay), SubmitResult::Sent);

    ASSERT_EQ(http.requests.size(), 3u);
    EXPECT_EQ(http.requests[0].method, "GET");
    EXPECT_EQ(http.requests[1].method, "GET");
    EXPECT_EQ(SentRecord(http), "type=0|name=Rex|score=2600|key=1|p=Tk/9+=|add=|z=0");
    const ScriptedHttpClient::Request& upload = http.requests[2];
    EXPECT_EQ(upload.method, "POST");
    EXPECT_EQ(upload.url, kServer + "/api/replays?token=Tk%2F9%2B%3D");
    EXPECT_EQ(upload.body, replay);
    EXPECT_EQ(upload.timeLimitMs, kScoreExchangeMs - 1200 - 800);
    bool octets = false;
    for (const HttpHeader& header : upload.headers)
        octets = octets || (header.name == "Content-Type" && header.value == "application/octet-stream");
    EXPECT_TRUE(octets);
}

TEST(SubmitScore, AReplayThatCannotGoUpIsSilentAndNothingIsTriedAgain) {
    struct Case {
        const char* what;
        HttpAnswer score;  // the score query's answer
        HttpAnswer upload;
        std::vector<uint8_t> replay;
        size_t requests;  // that went out
    };
    const std::vector<uint8_t> replay(300, 7);
    HttpAnswer slowScore = ScriptedHttpClient::Answer("OK");
    slowScore.elapsedMs = kScoreExchangeMs;  // the whole bound gone
    HttpAnswer notFound = ScriptedHttpClient::Failure(Outcome::HttpError, "no such route");
    notFound.status = 404;
    const Case cases[] = {
        {"a server without the route", ScriptedHttpClient::Answer("OK"), notFound, replay, 3},
        {"no answer to the upload", ScriptedHttpClient::Answer("OK"),
         ScriptedHttpClient::Failure(Outcome::TimedOut), replay, 3},
        {"the server gone", ScriptedHttpClient::Answer("OK"),
         ScriptedHttpClient::Failure(Outcome::NoConnection), replay, 3},
        {"no time left", slowScore, ScriptedHttpClient::Answer("{}"), replay, 2},
        {"a score query refused", ScriptedHttpClient::Failure(Outcome::HttpError),
         ScriptedHttpClient::Answer("{}"), replay, 2},
        {"a game not recorded", ScriptedHttpClient::Answer("OK"), ScriptedHttpClient::Answer("{}"), {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedHttpClient http;
        FakeWindow window;
        GameState state;
        state.Edit2 = "Bo";
        http.answers = {ScriptedHttpClient::Answer("OK|1|2|3|4|5"), c.score, c.upload};
        EXPECT_EQ(SubmitScore(http, window, kServer, state, c.replay), SubmitResult::Sent);
        ASSERT_EQ(http.requests.size(), c.requests);
        if (c.requests == 3) {
            EXPECT_EQ(http.requests[2].method, "POST");
        }
        EXPECT_TRUE(window.messages.empty());
    }
}

}  // namespace
