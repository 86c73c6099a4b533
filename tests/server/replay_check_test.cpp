// The replay check on its own: the bounded child a play runs in, the verdict on a play, and the
// checking workers with players made for the test (a play that runs away, crashes or takes time).

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "bounded_run.h"
#include "replay_verifier.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Ended = BoundedRunResult::Ended;

// Burns CPU until killed.
[[noreturn]] void Spin() {
    volatile uint64_t n = 0;
    while (true) n = n + 1;
}

Replay SomeReplay(int32_t recordedScore, const std::string& version = "1.2.3") {
    Replay replay;
    replay.start.version = version;
    replay.start.data.fill(7);
    replay.start.clan = 2;
    replay.steps.resize(3);
    for (auto& step : replay.steps) step.lag = 3;
    replay.end.score = recordedScore;
    replay.end.frames = 3;
    return replay;
}

// Plays a replay the way the test says: by default it ends where the recording says.
class TestPlayer final : public IReplayPlayer {
public:
    using Behaviour = std::function<ReplayPlay(const Replay&, int64_t)>;
    explicit TestPlayer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {}
    std::array<uint8_t, 32> DataId() const override {
        std::array<uint8_t, 32> id{};
        id.fill(7);
        return id;
    }
    ReplayPlay Play(const Replay& replay, int64_t maxFrames) override {
        return behaviour_(replay, maxFrames);
    }

private:
    Behaviour behaviour_;
};

ReplayPlayerFactory Players(TestPlayer::Behaviour behaviour) {
    return [behaviour] { return std::make_unique<TestPlayer>(behaviour); };
}

ReplayPlay AsRecorded(const Replay& replay, int64_t) {
    return {replay.end, ""};
}

// The verdicts the workers give, in the order they come.
class Verdicts {
public:
    ReplayVerifier::Done Collector() {
        return [this](const ReplayJob& job, const ReplayVerdict& verdict) {
            std::lock_guard lock(mutex_);
            got_.emplace_back(job.replayId, verdict);
            changed_.notify_all();
        };
    }
    // Waits (up to 30 s) for n verdicts.
    std::vector<std::pair<int64_t, ReplayVerdict>> WaitFor(size_t n) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 30s, [&] { return got_.size() >= n; });
        return got_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int64_t, ReplayVerdict>> got_;
};

ReplayJob Job(int64_t id, int64_t storedScore, const Replay& replay) {
    return {id, id, storedScore, "Anna", EncodeReplay(replay)};
}

}  // namespace

TEST(BoundedRun, EndsAreToldApart) {
    const struct {
        std::string what;
        std::function<std::string()> work;
        Ended ended;
        std::string output;  // part of it
    } cases[] = {
        {"returns", [] { return std::string("score 1210\nand more"); }, Ended::Done, "score 1210\nand more"},
        {"throws", []() -> std::string { throw std::runtime_error("bad replay"); }, Ended::Failed,
         "bad replay"},
        {"runs away", []() -> std::string { Spin(); }, Ended::OverCpu, ""},
        // (SIGABRT, not SIGSEGV: under the sanitizers a SIGSEGV becomes their report and an exit status.)
        {"crashes",
         []() -> std::string {
             raise(SIGABRT);
             return "";
         },
         Ended::Crashed, "killed by SIGABRT"},
        {"exits on its own", []() -> std::string { _exit(3); }, Ended::Crashed, "status 3"},
    };
    BoundedRunLimits limits;
    limits.cpu = 1s;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoundedRunner runner;
        const auto began = Clock::now();
        const BoundedRunResult result = runner.Run(c.work, limits);
        EXPECT_EQ(result.ended, c.ended);
        EXPECT_NE(result.output.find(c.output), std::string::npos) << result.output;
        EXPECT_LT(Clock::now() - began, 30s);  // well before the minute's bound on the clock
        if (c.ended == Ended::OverCpu) {
            EXPECT_GE(result.cpu, 900ms);  // the kernel counts CPU time in ticks
            EXPECT_LT(result.cpu, 3000ms);
        }
    }
}

// The child sleeps rather than computes: the clock, not the CPU bound, stops it; Cancel stops it
// at once from another thread, and a runner cancelled before its run does not start one.
TEST(BoundedRun, WallTimeAndCancel) {
    BoundedRunLimits limits;
    limits.wall = 1s;
    BoundedRunner sleeper;
    EXPECT_EQ(sleeper
                  .Run(
                      [] {
                          sleep(30);
                          return std::string();
                      },
                      limits)
                  .ended,
              Ended::OverTime);

    limits.wall = 60s;
    BoundedRunner runner;
    std::thread canceller([&] {
        std::this_thread::sleep_for(300ms);
        runner.Cancel();
    });
    const auto began = Clock::now();
    EXPECT_EQ(runner
                  .Run(
                      [] {
                          sleep(30);
                          return std::string();
                      },
                      limits)
                  .ended,
              Ended::Stopped);
    EXPECT_LT(Clock::now() - began, 5s);
    canceller.join();
    bool ran = false;
    EXPECT_EQ(runner
                  .Run(
                      [&] {
                          ran = true;
                          return std::string();
                      },
                      limits)
                  .ended,
              Ended::Stopped);
    EXPECT_FALSE(ran);
}

// The child is a copy of the server with all its connections: a connection the server closes
// while a long check runs must end for the client at once, not when the check ends.
TEST(BoundedRun, TheChildHoldsNoConnectionOpen) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    BoundedRunner runner;
    std::thread check([&] {
        BoundedRunLimits limits;
        limits.wall = 20s;
        runner.Run(
            [&] {
                [[maybe_unused]] const ssize_t said = write(ready[1], "x", 1);
                sleep(20);
                return std::string();
            },
            limits);
    });
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);  // the child has begun
    close(pair[0]);                          // the server closes its side
    pollfd client{pair[1], POLLIN, 0};
    EXPECT_EQ(poll(&client, 1, 2000), 1);
    EXPECT_EQ(read(pair[1], &byte, 1), 0);  // end of stream
    runner.Cancel();
    check.join();
    close(pair[1]);
    close(ready[0]);
    close(ready[1]);
}

TEST(ReplayVerdict, OnlyTheEndsScoreCounts) {
    ReplayPlay ended{{1210, 2, 0, 6646, true}, ""};
    ReplayPlay cutShort{{1210, 1, 2, 500, false}, ""};
    ReplayPlay refused{{}, "The replay is of other data"};
    const struct {
        std::string what;
        ReplayPlay play;
        int64_t stored;
        bool verified;
        std::string reason;
    } cases[] = {
        {"game over at the stored score", ended, 1210, true, "replay ends at 1210 as stored"},
        {"cut short at the stored score", cutShort, 1210, true, "replay ends at 1210 as stored"},
        {"more stored than played", ended, 5678, false, "replay ends at 1210, stored 5678"},
        {"less stored than played", ended, 1209, false, "replay ends at 1210, stored 1209"},
        {"not played at all", refused, 0, false, "The replay is of other data"},
    };
    for (const auto& c : cases) {
        const ReplayVerdict verdict = JudgeReplay(c.play, c.stored);
        EXPECT_EQ(verdict.verified, c.verified) << c.what;
        EXPECT_EQ(verdict.reason, c.reason) << c.what;
    }

    std::array<uint8_t, 32> ours{};
    ours.fill(7);
    Replay replay = SomeReplay(10);
    EXPECT_EQ(ScreenReplay(replay, "1.2.3", ours), "");
    EXPECT_EQ(ScreenReplay(replay, "0.0.9", ours), "replay of another version 1.2.3");
    ours[31] = 8;
    EXPECT_EQ(ScreenReplay(replay, "1.2.3", ours), "replay of other data");
    ours[31] = 7;
    replay.start.clan = 3;
    EXPECT_EQ(ScreenReplay(replay, "1.2.3", ours), "replay of a game with no clan 3");
}

// Real plays in the workers' children: each replay is read from its file again there and played
// within the frame bound of four hours; the verdicts come back through the callback.
TEST(ReplayVerifier, PlaysEachReplayAndJudgesIt) {
    Verdicts verdicts;
    ReplayVerifier verifier(Players([](const Replay& replay, int64_t maxFrames) {
                                // Four hours at 60 frames a second, or the score comes out wrong.
                                ReplayPlay play = AsRecorded(replay, maxFrames);
                                if (maxFrames != 4 * 3600 * 60) play.end.score = -1;
                                return play;
                            }),
                            "1.2.3", {}, verdicts.Collector());
    ASSERT_TRUE(verifier.CanCheck()) << verifier.WhyNot();
    EXPECT_EQ(verifier.DataId()[0], 7);
    for (int64_t id = 1; id <= 4; ++id) {
        ASSERT_TRUE(verifier.Reserve());
        verifier.Submit(Job(id, id == 3 ? 99 : 500, SomeReplay(500)));
    }
    ASSERT_TRUE(verifier.Reserve());
    ReplayJob garbage = Job(5, 500, SomeReplay(500));
    garbage.file.resize(10);
    verifier.Submit(garbage);
    const auto got = verdicts.WaitFor(5);
    ASSERT_EQ(got.size(), 5u);
    for (const auto& [id, verdict] : got) {
        SCOPED_TRACE(id);
        if (id == 3) {
            EXPECT_FALSE(verdict.verified);
            EXPECT_EQ(verdict.reason, "replay ends at 500, stored 99");
        } else if (id == 5) {
            EXPECT_FALSE(verdict.verified);
            EXPECT_EQ(verdict.reason.rfind("not a replay: ", 0), 0u) << verdict.reason;
        } else {
            EXPECT_TRUE(verdict.verified) << verdict.reason;
        }
    }
}

// A play that never ends is stopped at the CPU bound, one that crashes the core is reported, and
// the worker goes on with the next replay either way.
TEST(ReplayVerifier, RunawayAndCrashingPlaysAreRefused) {
    Verdicts verdicts;
    ReplayCheckLimits limits;
    limits.cpu = 1s;
    limits.workers = 1;
    ReplayVerifier verifier(Players([](const Replay& replay, int64_t maxFrames) {
                                if (replay.end.score == 1) Spin();
                                if (replay.end.score == 2) raise(SIGABRT);
                                return AsRecorded(replay, maxFrames);
                            }),
                            "1.2.3", limits, verdicts.Collector());
    for (int32_t score : {1, 2, 3}) {
        ASSERT_TRUE(verifier.Reserve());
        verifier.Submit(Job(score, score, SomeReplay(score)));
    }
    const auto got = verdicts.WaitFor(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].second.reason, "the replay did not end within 1 s of CPU time");
    EXPECT_EQ(got[1].second.reason, "the replay's check failed: killed by SIGABRT");
    EXPECT_TRUE(got[2].second.verified);
    EXPECT_FALSE(got[0].second.verified || got[1].second.verified);
}

// The queue holds so many and no more; stopping ends the play in progress and answers every
// replay still waiting, so none is left "checking" for ever.
TEST(ReplayVerifier, TheQueueIsBoundedAndStoppingAnswersEveryJob) {
    Verdicts verdicts;
    ReplayCheckLimits limits;
    limits.workers = 1;
    limits.queue = 3;
    // The play says through a pipe that it has begun (it runs in a process of its own).
    int begun[2];
    ASSERT_EQ(pipe(begun), 0);
    auto verifier = std::make_unique<ReplayVerifier>(Players([&begun](const Replay&, int64_t) -> ReplayPlay {
                                                         [[maybe_unused]] const ssize_t said =
                                                             write(begun[1], "x", 1);
                                                         sleep(60);
                                                         return {};
                                                     }),
                                                     "1.2.3", limits, verdicts.Collector());
    ASSERT_TRUE(verifier->Reserve());
    verifier->Submit(Job(1, 5, SomeReplay(5)));
    char byte = 0;
    ASSERT_EQ(read(begun[0], &byte, 1), 1);  // the worker has taken it: the queue is empty again
    close(begun[0]);
    close(begun[1]);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(verifier->Reserve()) << i;
    EXPECT_FALSE(verifier->Reserve());
    verifier->Release();
    EXPECT_TRUE(verifier->Reserve());
    for (int64_t id = 2; id <= 4; ++id) verifier->Submit(Job(id, 5, SomeReplay(5)));
    EXPECT_FALSE(verifier->Reserve());

    const auto began = Clock::now();
    verifier.reset();
    EXPECT_LT(Clock::now() - began, 5s);
    const auto got = verdicts.WaitFor(4);
    ASSERT_EQ(got.size(), 4u);
    for (const auto& [id, verdict] : got) {
        EXPECT_FALSE(verdict.verified) << id;
        EXPECT_EQ(verdict.reason, "the server stopped before the check ended") << id;
    }
}

TEST(ReplayVerifier, WithoutAPlayerNothingIsChecked) {
    Verdicts verdicts;
    ReplayVerifier verifier(
        []() -> std::unique_ptr<IReplayPlayer> { throw std::runtime_error("no game data"); }, "1.2.3", {},
        verdicts.Collector());
    EXPECT_FALSE(verifier.CanCheck());
    EXPECT_EQ(verifier.WhyNot(), "no game data");
    EXPECT_FALSE(verifier.Reserve());
}
