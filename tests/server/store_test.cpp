// The storage contract, run against each back end (SQLite here, PostgreSQL under pg_virtualenv).

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "server_harness.h"
#include "store_suites.h"

namespace {

StoredScore Score(const std::string& name, int64_t score, int64_t time, const std::string& country = "Latvia",
                  const std::string& address = "127.0.0.1") {
    return {name, score, country, time, address};
}

// Submits with a token issued at the score's time.
SubmitOutcome Submit(IScoreStore& store, const StoredScore& score, int64_t lifetime = 600) {
    return store.SubmitScore(NewTestToken(), score.time, score.time, lifetime, score);
}

}  // namespace

TEST_P(StoreTest, MigrationsRunOnceAndKeepTheScores) {
    {
        auto store = OpenScoreStore(database_->url());
        EXPECT_EQ(store->SchemaVersion(), GetParam().schemaVersion);
        ASSERT_EQ(Submit(*store, Score("Anna", 500, 1000)), SubmitOutcome::Stored);
    }
    // Opened again (a restart): nothing is created twice and nothing is lost.
    auto again = OpenScoreStore(database_->url());
    EXPECT_EQ(again->SchemaVersion(), GetParam().schemaVersion);
    const auto all = again->AllScores();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].name, "Anna");
}

TEST_P(StoreTest, ServersStartingTogetherMigrateOnce) {
    std::vector<std::thread> starters;
    std::mutex mutex;
    std::vector<std::string> failures;
    for (int i = 0; i < 4; ++i) {
        starters.emplace_back([&] {
            try {
                OpenScoreStore(database_->url());
            } catch (const StoreError& error) {
                std::lock_guard lock(mutex);
                failures.push_back(error.what());
            }
        });
    }
    for (auto& starter : starters) starter.join();
    EXPECT_TRUE(failures.empty()) << testing::PrintToString(failures);
    EXPECT_EQ(OpenScoreStore(database_->url())->SchemaVersion(), GetParam().schemaVersion);
}

TEST_P(StoreTest, TokenIsGoodOnceAndOnlyWithinItsLifetime) {
    auto store = OpenScoreStore(database_->url());
    const StoredScore score = Score("Anna", 700, 5000);

    // Used exactly at the end of its lifetime: still good; used again: refused.
    const std::string token = NewTestToken();
    EXPECT_EQ(store->SubmitScore(token, 5000 - 600, 5000, 600, score), SubmitOutcome::Stored);
    EXPECT_EQ(store->SubmitScore(token, 5000 - 600, 5000, 600, score), SubmitOutcome::UnknownToken);

    // One second past it: refused, every time, and nothing is kept for it.
    const std::string late = NewTestToken();
    EXPECT_EQ(store->SubmitScore(late, 5000 - 601, 5000, 600, score), SubmitOutcome::ExpiredToken);
    EXPECT_EQ(store->SubmitScore(late, 5000 - 601, 5000, 600, score), SubmitOutcome::ExpiredToken);

    // (A token the server never signed is refused before the store is asked: see TokenSigner.)
    EXPECT_EQ(store->AllScores().size(), 1u);
    EXPECT_EQ(store->UsedTokens(), 1);
}

TEST_P(StoreTest, PurgeForgetsOnlyOldTokens) {
    auto store = OpenScoreStore(database_->url());
    const std::string old = NewTestToken();
    const std::string fresh = NewTestToken();
    ASSERT_EQ(store->SubmitScore(old, 100, 210, 600, Score("Old", 1, 210)), SubmitOutcome::Stored);
    ASSERT_EQ(store->SubmitScore(fresh, 200, 210, 600, Score("Fresh", 1, 210)), SubmitOutcome::Stored);
    store->PurgeTokens(150);
    EXPECT_EQ(store->UsedTokens(), 1);
    // The fresh one is still known as used.
    EXPECT_EQ(store->SubmitScore(fresh, 200, 220, 600, Score("Fresh", 1, 220)), SubmitOutcome::UnknownToken);
}

// The first server on a database makes the token key; every later one, and every one starting at
// the same moment, reads that same key.
TEST_P(StoreTest, TokenKeyIsMadeOnceAndShared) {
    std::vector<std::string> keys(4);
    std::vector<std::thread> starters;
    for (size_t i = 0; i < keys.size(); ++i)
        starters.emplace_back([&, i] { keys[i] = OpenScoreStore(database_->url())->TokenKey(); });
    for (auto& starter : starters) starter.join();
    EXPECT_NO_THROW(TokenSigner{keys[0]});
    for (const auto& key : keys) EXPECT_EQ(key, keys[0]);
    EXPECT_EQ(OpenScoreStore(database_->url())->TokenKey(), keys[0]);
}

TEST_P(StoreTest, BestScoresRankHigherThenEarlierThenFirstStored) {
    auto store = OpenScoreStore(database_->url());
    ASSERT_EQ(Submit(*store, Score("Late", 300, 2000)), SubmitOutcome::Stored);
    ASSERT_EQ(Submit(*store, Score("Low", 100, 1000)), SubmitOutcome::Stored);
    ASSERT_EQ(Submit(*store, Score("Early", 300, 1000)), SubmitOutcome::Stored);
    ASSERT_EQ(Submit(*store, Score("Top", 900, 3000)), SubmitOutcome::Stored);
    ASSERT_EQ(Submit(*store, Score("Twin", 300, 1000)),
              SubmitOutcome::Stored);  // same score and time as Early

    const auto best = store->BestScores(10);
    ASSERT_EQ(best.size(), 5u);
    const std::vector<std::string> order = {"Top", "Early", "Twin", "Late", "Low"};
    for (size_t i = 0; i < best.size(); ++i) {
        EXPECT_EQ(best[i].rank, static_cast<int64_t>(i) + 1);
        EXPECT_EQ(best[i].name, order[i]);
    }
    EXPECT_EQ(best[0].score, 900);
    EXPECT_EQ(best[0].time, 3000);
    EXPECT_EQ(best[0].country, "Latvia");

    const auto top2 = store->BestScores(2);
    ASSERT_EQ(top2.size(), 2u);
    EXPECT_EQ(top2[1].name, "Early");
}

// Texts go in as bound values: quotes, SQL and markup come back exactly as they were sent.
TEST_P(StoreTest, TextsAreStoredExactly) {
    auto store = OpenScoreStore(database_->url());
    const std::vector<std::string> names = {
        "O'Brien", "x'); DROP TABLE scores; --", "<b>&amp;</b>", "Zo\xC3\xAB", "\"quoted\"", "a|b=c"};
    int64_t time = 1000;
    for (const auto& name : names)
        ASSERT_EQ(Submit(*store, Score(name, 10, time++, name + "-land", "::1")), SubmitOutcome::Stored);
    const auto all = store->AllScores();
    ASSERT_EQ(all.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(all[i].name, names[i]);
        EXPECT_EQ(all[i].country, names[i] + "-land");
        EXPECT_EQ(all[i].address, "::1");
    }
}

// Two queries racing with one token: exactly one stores, whatever the timing.
TEST_P(StoreTest, RacingQueriesStoreOncePerToken) {
    auto store = OpenScoreStore(database_->url());
    constexpr int kTokens = 20;
    constexpr int kRacers = 4;
    std::vector<std::string> tokens;
    for (int i = 0; i < kTokens; ++i) tokens.push_back(NewTestToken());
    std::atomic<int> stored{0};
    std::atomic<int> errors{0};
    std::vector<std::thread> racers;
    for (int r = 0; r < kRacers; ++r) {
        racers.emplace_back([&, r] {
            for (const auto& token : tokens) {
                try {
                    if (store->SubmitScore(token, 1000, 1001, 600,
                                           Score("Racer" + std::to_string(r), 5, 1001)) ==
                        SubmitOutcome::Stored)
                        ++stored;
                } catch (const StoreError&) {
                    ++errors;
                }
            }
        });
    }
    for (auto& racer : racers) racer.join();
    EXPECT_EQ(errors.load(), 0);
    EXPECT_EQ(stored.load(), kTokens);
    EXPECT_EQ(store->AllScores().size(), static_cast<size_t>(kTokens));
}

TEST_P(StoreTest, RefusesADatabaseFromANewerServer) {
    OpenScoreStore(database_->url());
    BumpSchemaVersion(database_->url(), 99);
    EXPECT_THROW(OpenScoreStore(database_->url()), StoreError);
}

// A replay is claimed once per score, only within the window of the score's storing; of claims
// racing for one score exactly one wins. A verified one marks its score and keeps its file, an
// unverified one keeps neither.
TEST_P(StoreTest, ReplaysAreClaimedOnceAndKeptWhenVerified) {
    auto store = OpenScoreStore(database_->url());
    using State = ReplaySlot::State;
    const std::string good = NewTestToken();
    const std::string bad = NewTestToken();
    const std::string old = NewTestToken();
    ASSERT_EQ(store->SubmitScore(good, 1000, 1000, 600, Score("Good", 900, 1000)), SubmitOutcome::Stored);
    ASSERT_EQ(store->SubmitScore(bad, 1000, 1000, 600, Score("Bad", 800, 1000)), SubmitOutcome::Stored);
    ASSERT_EQ(store->SubmitScore(old, 1000, 1000, 600, Score("Old", 700, 1000)), SubmitOutcome::Stored);

    const ReplaySlot open = store->FindReplaySlot(good, 1600, 600);
    EXPECT_EQ(open.state, State::Open);
    EXPECT_EQ(open.score, 900);
    EXPECT_EQ(open.name, "Good");
    EXPECT_EQ(store->FindReplaySlot(good, 1601, 600).state, State::TooLate);
    EXPECT_EQ(store->ClaimReplay(old, 1601, 600).state, State::TooLate);
    EXPECT_EQ(store->FindReplaySlot(NewTestToken(), 1000, 600).state, State::Unknown);
    EXPECT_EQ(store->FindReplaySlot(good, 1001, 600).state, State::Open);  // looking takes nothing

    // Eight uploads of one score at once.
    std::vector<ReplaySlot> claims(8);
    std::vector<std::thread> racers;
    for (size_t i = 0; i < claims.size(); ++i)
        racers.emplace_back([&, i] { claims[i] = store->ClaimReplay(good, 1100, 600); });
    for (auto& racer : racers) racer.join();
    const auto won = std::count_if(claims.begin(), claims.end(),
                                   [](const ReplaySlot& c) { return c.state == State::Open; });
    ASSERT_EQ(won, 1);
    const ReplaySlot claimed = *std::find_if(claims.begin(), claims.end(),
                                             [](const ReplaySlot& c) { return c.state == State::Open; });
    for (const auto& claim : claims) {
        if (claim.state == State::Open) continue;
        EXPECT_EQ(claim.state, State::Taken);
        EXPECT_EQ(claim.replayId, claimed.replayId);
        EXPECT_FALSE(claim.verified.has_value());  // still being checked
    }
    const ReplaySlot badClaim = store->ClaimReplay(bad, 1100, 600);
    ASSERT_EQ(badClaim.state, State::Open);
    EXPECT_NE(badClaim.replayId, claimed.replayId);

    // Every byte value, the zero byte too, comes back as it went in.
    std::vector<uint8_t> file;
    for (int i = 0; i < 1000; ++i) file.push_back(static_cast<uint8_t>(i * 7));
    store->FinishReplay(claimed.replayId, true, "replay ends at 900 as stored", file);
    store->FinishReplay(badClaim.replayId, false, "replay ends at 10, stored 800", file);
    EXPECT_EQ(store->VerifiedReplay(claimed.replayId), std::optional(file));
    EXPECT_EQ(store->VerifiedReplay(badClaim.replayId), std::nullopt);
    EXPECT_EQ(store->VerifiedReplay(claimed.replayId + badClaim.replayId + 100), std::nullopt);
    EXPECT_EQ(store->FindReplaySlot(good, 1100, 600).verified, std::optional(true));
    EXPECT_EQ(store->FindReplaySlot(bad, 1100, 600).verified, std::optional(false));

    const auto best = store->BestScores(10);
    ASSERT_EQ(best.size(), 3u);
    EXPECT_TRUE(best[0].verified);
    EXPECT_EQ(best[0].replay, std::optional(claimed.replayId));
    EXPECT_FALSE(best[1].verified);
    EXPECT_EQ(best[1].replay, std::nullopt);
    const auto verified = store->BestVerifiedScores(10);
    ASSERT_EQ(verified.size(), 1u);
    EXPECT_EQ(verified[0].name, "Good");
    EXPECT_EQ(verified[0].rank, 1);
}

// A server that stopped while checking leaves its replays "checking"; once they are older than any
// check can take, they are marked unverified. Younger checks and finished ones are left as they are.
TEST_P(StoreTest, ChecksThatNeverEndedBecomeUnverified) {
    auto store = OpenScoreStore(database_->url());
    const std::string stale = NewTestToken();
    const std::string running = NewTestToken();
    const std::string done = NewTestToken();
    for (const auto& token : {stale, running, done})
        ASSERT_EQ(store->SubmitScore(token, 1000, 1000, 600, Score("P", 100, 1000)), SubmitOutcome::Stored);
    ASSERT_EQ(store->ClaimReplay(stale, 1100, 600).state, ReplaySlot::State::Open);
    ASSERT_EQ(store->ClaimReplay(running, 1500, 600).state, ReplaySlot::State::Open);
    const ReplaySlot doneClaim = store->ClaimReplay(done, 1100, 600);
    store->FinishReplay(doneClaim.replayId, true, "replay ends at 100 as stored", {1, 2, 3});

    EXPECT_EQ(store->AbandonChecks(1200, "its check never ended"), 1);
    EXPECT_EQ(store->FindReplaySlot(stale, 1600, 600).verified, std::optional(false));
    EXPECT_EQ(store->FindReplaySlot(running, 1600, 600).verified, std::nullopt);
    EXPECT_EQ(store->FindReplaySlot(done, 1600, 600).verified, std::optional(true));
    EXPECT_EQ(store->VerifiedReplay(doneClaim.replayId), std::optional(std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(store->AbandonChecks(1200, "its check never ended"), 0);  // nothing left to mark
}

// A database of the server before replays: its scores come through, unverified and without one.
TEST_P(StoreTest, OldScoresBecomeUnverifiedWithNoReplay) {
    MakeDatabaseBeforeReplays(database_->url());
    auto store = OpenScoreStore(database_->url());
    EXPECT_EQ(store->SchemaVersion(), GetParam().schemaVersion);
    const auto best = store->BestScores(10);
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].name, "Old");
    EXPECT_EQ(best[0].score, 4321);
    EXPECT_EQ(best[0].time, 1700000000);
    EXPECT_FALSE(best[0].verified);
    EXPECT_EQ(best[0].replay, std::nullopt);
    EXPECT_TRUE(store->BestVerifiedScores(10).empty());
    // New scores go in beside it, and take replays.
    const std::string token = NewTestToken();
    ASSERT_EQ(store->SubmitScore(token, 2000, 2000, 600, Score("New", 5, 2000)), SubmitOutcome::Stored);
    EXPECT_EQ(store->ClaimReplay(token, 2000, 600).state, ReplaySlot::State::Open);
}
