// Replays end to end on each back end: games recorded by vandrax-sim, uploaded to the real
// vandrax-scored, played there by the game's headless core, and the verified mark in the JSON.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/replay.h"
#include "score_token.h"
#include "store_suites.h"

namespace {

using namespace std::chrono_literals;

const std::string kVersionQuery = "/cgi/version.pl?version&prg=Vandrax";
const std::string kScoreQuery = "/cgi/version.pl?hs&prg=Vandrax&inf=";

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

Replay Decoded(const std::string& file) {
    return DecodeReplay(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
}

std::string Encoded(const Replay& replay) {
    const std::vector<uint8_t> bytes = EncodeReplay(replay);
    return std::string(bytes.begin(), bytes.end());
}

// Sends the game's score query and returns the token it used.
std::string StoreScore(const ServerProcess& server, const std::string& name, int64_t score) {
    const std::string token = TokenOf(HttpGet(server.port(), kVersionQuery).body);
    const HttpAnswer answer =
        HttpGet(server.port(), kScoreQuery + GameRecord(name, std::to_string(score), token, "Latvia"));
    EXPECT_EQ(answer.status, 200) << answer.body;
    return token;
}

HttpAnswer Upload(const ServerProcess& server, const std::string& token, const std::string& file) {
    return HttpPost(server.port(), "/api/replays?token=" + token, file);
}

// Waits (up to 30 s) until the replay of the token's score has its verdict.
ReplaySlot Verdict(IScoreStore& store, const std::string& token) {
    ReplaySlot slot;
    for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
        slot = store.FindReplaySlot(token, Now(), 600);
        if (slot.state != ReplaySlot::State::Taken || slot.verified) break;
        std::this_thread::sleep_for(20ms);
    }
    return slot;
}

nlohmann::json Answer(const HttpAnswer& answer) {
    return nlohmann::json::parse(answer.body, nullptr, false);
}

}  // namespace

// The game as played: its replay verifies the score it stored, is kept and served; the same
// replay for a score it does not reach, and a replay with one input event changed, stay
// unverified, and the log says why.
TEST_P(HttpTest, ReplaysVerifyTheScoresTheyPlayTo) {
    if (const std::string why = NoGameData(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_FALSE(RecordedReplay().empty()) << "vandrax-sim recorded no replay";
    const EditedReplay& edited = OneEventChanged();
    ASSERT_FALSE(edited.file.empty()) << "no single changed event changed the game";
    ServerProcess server({"--db", database_->url(), "--rate-limit", "0"});
    ASSERT_TRUE(server.running());
    auto store = OpenScoreStore(database_->url());
    const std::string& file = RecordedReplay();
    const int64_t played = Decoded(file).end.score;

    const std::string honest = StoreScore(server, "Anna", played);
    const std::string inflated = StoreScore(server, "Boris", played + 1000);
    const std::string cheat = StoreScore(server, "Carla", played);
    const std::vector<std::pair<std::string, std::string>> uploads = {
        {honest, file}, {inflated, file}, {cheat, edited.file}};
    for (const auto& [token, upload] : uploads) {
        const HttpAnswer answer = Upload(server, token, upload);
        EXPECT_EQ(answer.status, 202) << answer.body;
        EXPECT_EQ(answer.contentType, "application/json");
        EXPECT_EQ(Answer(answer), (nlohmann::json{{"verified", nullptr}, {"reason", "checking"}}));
    }
    const ReplaySlot verified = Verdict(*store, honest);
    EXPECT_EQ(verified.verified, std::optional<bool>(true));
    EXPECT_EQ(Verdict(*store, inflated).verified, std::optional<bool>(false));
    EXPECT_EQ(Verdict(*store, cheat).verified, std::optional<bool>(false));

    // The JSON: the verified row names its replay, the others none.
    const auto rows = nlohmann::json::parse(HttpGet(server.port(), "/api/scores").body);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["name"], "Boris");
    EXPECT_EQ(rows[0]["verified"], false);
    EXPECT_TRUE(rows[0]["replay"].is_null());
    EXPECT_EQ(rows[1]["name"], "Anna");
    EXPECT_EQ(rows[1]["verified"], true);
    EXPECT_EQ(rows[1]["replay"], verified.replayId);
    EXPECT_EQ(rows[2]["verified"], false);

    // The kept file is the one uploaded, byte for byte; nothing is served for the others.
    const HttpAnswer served = HttpGet(server.port(), "/api/replays/" + std::to_string(verified.replayId));
    EXPECT_EQ(served.status, 200);
    EXPECT_EQ(served.contentType, "application/octet-stream");
    EXPECT_TRUE(served.body == file);
    const int64_t unverifiedId = store->FindReplaySlot(inflated, Now(), 600).replayId;
    for (const std::string& id : {std::to_string(unverifiedId), std::string("999"), std::string("abc"),
                                  "0" + std::to_string(verified.replayId), std::string("")})
        EXPECT_EQ(HttpGet(server.port(), "/api/replays/" + id).status, 404) << id;

    // A second upload is refused, and says how the first went.
    const HttpAnswer again = Upload(server, honest, file);
    EXPECT_EQ(again.status, 409);
    EXPECT_EQ(Answer(again)["verified"], true);

    const auto log = server.LogLines();
    auto logged = [&](const std::string& part) {
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(logged("of Anna's " + std::to_string(played) + ": verified"));
    EXPECT_TRUE(
        logged("replay ends at " + std::to_string(played) + ", stored " + std::to_string(played + 1000)));
    EXPECT_TRUE(logged("of Carla's " + std::to_string(played) + ": unverified, replay ends at " +
                       std::to_string(edited.playedScore) + ", stored " + std::to_string(played)));
}

// Every upload the server must not take: an error answer in JSON with its reason, and the score
// left as it was, open for its one right replay, which is then still taken.
TEST_P(HttpTest, BadReplayUploadsAreRefusedAndStoreNothing) {
    if (const std::string why = NoGameData(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_FALSE(RecordedReplay().empty()) << "vandrax-sim recorded no replay";
    ServerProcess server({"--db", database_->url(), "--rate-limit", "0"});
    ASSERT_TRUE(server.running());
    auto store = OpenScoreStore(database_->url());
    const std::string& file = RecordedReplay();
    const Replay replay = Decoded(file);
    const std::string token = StoreScore(server, "Anna", replay.end.score);
    const TokenSigner signer(store->TokenKey());

    // A score stored just over (and one just within) the ten minutes ago.
    auto storedAgo = [&](int64_t seconds) {
        const std::string old = signer.Issue(Now() - seconds - 5);
        const StoredScore score{"Old", replay.end.score, "", Now() - seconds, "127.0.0.1"};
        EXPECT_EQ(store->SubmitScore(old, Now() - seconds - 5, Now() - seconds, 600, score),
                  SubmitOutcome::Stored);
        return old;
    };
    const std::string late = storedAgo(601);
    const std::string inTime = storedAgo(590);

    Replay otherVersion = replay;
    otherVersion.start.version = "0.0.9";
    Replay otherData = replay;
    otherData.start.data[5] ^= 1;
    const struct {
        std::string what;
        std::string target;
        std::string body;
        int status;
        std::string reason;  // its start
    } cases[] = {
        {"no token", "/api/replays", file, 400, "no token"},
        {"a token and more", "/api/replays?token=" + token + "&x=1", file, 400, "no token"},
        {"a token never signed", "/api/replays?token=" + NewTestToken(), file, 403, "unknown token"},
        {"a token no score used", "/api/replays?token=" + signer.Issue(Now()), file, 403, "unknown token"},
        {"too late", "/api/replays?token=" + late, file, 410, "too late: a replay is taken within 600 s"},
        {"over 1 MiB", "/api/replays?token=" + token, file + std::string((1u << 20) + 1 - file.size(), 'x'),
         413, "body over 1024 KiB"},
        {"garbage", "/api/replays?token=" + token, "GIF89a and so on", 400,
         "not a replay: This is not a Vandrax"},
        {"nothing", "/api/replays?token=" + token, "", 400, "not a replay"},
        {"cut off", "/api/replays?token=" + token, file.substr(0, file.size() / 2), 400,
         "not a replay: The replay is cut off or damaged"},
        {"another version", "/api/replays?token=" + token, Encoded(otherVersion), 422,
         "replay of another version 0.0.9"},
        {"other data", "/api/replays?token=" + token, Encoded(otherData), 422, "replay of other data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HttpAnswer answer = HttpPost(server.port(), c.target, c.body);
        EXPECT_EQ(answer.status, c.status) << answer.body;
        EXPECT_EQ(answer.contentType, "application/json");
        const auto json = Answer(answer);
        EXPECT_EQ(json["verified"], false) << answer.body;
        EXPECT_EQ(json["reason"].get<std::string>().rfind(c.reason, 0), 0u) << answer.body;
    }
    const HttpAnswer fetched = HttpGet(server.port(), "/api/replays?token=" + token);
    EXPECT_EQ(fetched.status, 405);

    // Nothing was taken: the score is still open, unverified, and no replay is stored.
    EXPECT_EQ(store->FindReplaySlot(token, Now(), 600).state, ReplaySlot::State::Open);
    EXPECT_EQ(store->FindReplaySlot(late, Now(), 600).state, ReplaySlot::State::TooLate);
    for (const auto& row : store->BestScores(10)) EXPECT_FALSE(row.verified) << row.name;
    EXPECT_EQ(HttpGet(server.port(), "/api/replays/1").status, 404);

    // The right replay is taken after all that, and within the ten minutes an older score's too.
    EXPECT_EQ(Upload(server, token, file).status, 202);
    EXPECT_EQ(Upload(server, inTime, file).status, 202);
    EXPECT_EQ(Verdict(*store, token).verified, std::optional<bool>(true));
    EXPECT_EQ(Verdict(*store, inTime).verified, std::optional<bool>(true));
}

// The window is the operator's to set.
TEST_P(HttpTest, ReplayWindowIsAnOption) {
    if (const std::string why = NoGameData(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_FALSE(RecordedReplay().empty()) << "vandrax-sim recorded no replay";
    ServerProcess server({"--db", database_->url(), "--rate-limit", "0", "--replay-window", "30"});
    ASSERT_TRUE(server.running());
    auto store = OpenScoreStore(database_->url());
    const TokenSigner signer(store->TokenKey());
    const int64_t score = Decoded(RecordedReplay()).end.score;
    std::vector<std::string> tokens;
    for (const int64_t ago : {40, 20}) {
        tokens.push_back(signer.Issue(Now() - ago));
        ASSERT_EQ(store->SubmitScore(tokens.back(), Now() - ago, Now() - ago, 600,
                                     {"Anna", score, "", Now() - ago, "127.0.0.1"}),
                  SubmitOutcome::Stored);
    }
    const HttpAnswer late = Upload(server, tokens[0], RecordedReplay());
    EXPECT_EQ(late.status, 410);
    EXPECT_EQ(Answer(late)["reason"], "too late: a replay is taken within 30 s of its score");
    EXPECT_EQ(Upload(server, tokens[1], RecordedReplay()).status, 202);
}

// --verified-only: the JSON and the page show the verified scores alone, ranked among themselves.
TEST_P(HttpTest, VerifiedOnlyShowsTheVerifiedScores) {
    auto store = OpenScoreStore(database_->url());
    const int64_t now = Now();
    std::vector<std::string> tokens;
    for (const auto& [name, score] :
         {std::pair<std::string, int64_t>{"Top", 900}, {"Mid", 500}, {"Low", 100}}) {
        tokens.push_back(NewTestToken());
        ASSERT_EQ(store->SubmitScore(tokens.back(), now, now, 600, {name, score, "", now, "127.0.0.1"}),
                  SubmitOutcome::Stored);
    }
    const std::vector<uint8_t> bytes = {'V', 0, 1, 2};
    const ReplaySlot mid = store->ClaimReplay(tokens[1], now, 600);
    store->FinishReplay(mid.replayId, true, "replay ends at 500 as stored", bytes);
    store->FinishReplay(store->ClaimReplay(tokens[2], now, 600).replayId, false,
                        "replay ends at 1, stored 100", bytes);

    ServerProcess all({"--db", database_->url()});
    ServerProcess verified({"--db", database_->url(), "--verified-only"});
    ASSERT_TRUE(all.running());
    ASSERT_TRUE(verified.running());
    EXPECT_EQ(nlohmann::json::parse(HttpGet(all.port(), "/api/scores").body).size(), 3u);
    const auto rows = nlohmann::json::parse(HttpGet(verified.port(), "/api/scores").body);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (nlohmann::json{{"rank", 1},
                                       {"name", "Mid"},
                                       {"score", 500},
                                       {"country", ""},
                                       {"time", rows[0]["time"]},
                                       {"verified", true},
                                       {"replay", mid.replayId}}));
    const std::string page = HttpGet(verified.port(), "/cgi/version.pl?prg=Vandrax&show&type=0").body;
    EXPECT_NE(page.find("Verified scores only"), std::string::npos);
    EXPECT_NE(page.find(">Mid<a class=\"verified\""), std::string::npos);
    EXPECT_EQ(page.find(">Top<"), std::string::npos);
    EXPECT_EQ(page.find(">Low<"), std::string::npos);
    EXPECT_EQ(
        HttpGet(all.port(), "/cgi/version.pl?prg=Vandrax&show&type=0").body.find("Verified scores only"),
        std::string::npos);
}

// Without the game's data the server still takes scores, and says it cannot check replays.
TEST(Replays, ServerWithoutGameDataStillStoresScores) {
    ScratchFolder folder;
    ServerProcess server(
        {"--db", "sqlite:" + folder.path() + "/scores.db", "--data", folder.path() + "/none"});
    ASSERT_TRUE(server.running());
    const std::string token = StoreScore(server, "Anna", 1210);
    const HttpAnswer answer = Upload(server, token, RecordedReplay());
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(Answer(answer),
              (nlohmann::json{{"verified", false}, {"reason", "this server cannot check replays"}}));
    const auto log = server.LogLines();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("replays cannot be checked: no game data in"), std::string::npos) << log[0];
    EXPECT_EQ(OpenScoreStore("sqlite:" + folder.path() + "/scores.db")->AllScores().size(), 1u);
}
