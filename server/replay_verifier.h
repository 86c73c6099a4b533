#pragma once
// The check of uploaded replays. A replay is played with the game's own core, headless, for one or
// two worker threads of their own with a bounded queue, never on the HTTP workers, so the server
// keeps answering while it plays. Each worker has a checking process, forked while the server is
// still one thread, that makes the worker's player once and then plays each replay in a child of
// its own (BoundedRunner) held to a bound of CPU time: a process of one thread forks safely, and a
// play that runs away or crashes takes only its child. The replay is bounded in size and in play
// time when it is read. The score is verified when the replay, played, ends with exactly the
// stored score.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/replay.h"

// How a replay played.
struct ReplayPlay {
    ReplayEnd end;
    std::string error;  // set when it could not be played at all
};

// The game's core that plays replays: one in each worker's checking process, never shared.
class IReplayPlayer {
public:
    virtual ~IReplayPlayer() = default;
    // The identity of the game data it plays on (as a replay's start carries it).
    virtual std::array<uint8_t, 32> DataId() const = 0;
    // Plays the replay to its end, or for at most maxFrames frames.
    virtual ReplayPlay Play(const Replay& replay, int64_t maxFrames) = 0;
};

// Makes a worker's player, once, in that worker's checking process. Throws when it cannot (no game
// data there): the server then checks no replays.
using ReplayPlayerFactory = std::function<std::unique_ptr<IReplayPlayer>()>;

struct ReplayCheckLimits {
    size_t maxFileBytes = 1u << 20;
    size_t maxUnpackedBytes = 16u << 20;
    int64_t maxPlayMs = ReplayLimits{}.maxPlayMs;  // four hours of play
    std::chrono::seconds cpu{20};                  // CPU time for one play
    size_t workers = 2;
    size_t queue = 32;  // replays waiting for a worker
};

// What DecodeReplay is held to.
ReplayLimits ReadLimits(const ReplayCheckLimits& limits);

// Why a replay cannot verify a score on this server before it is played (another version of the
// game, other data, a start no game has); empty when it may be played.
std::string ScreenReplay(const Replay& replay, const std::string& version,
                         const std::array<uint8_t, 32>& dataId);

struct ReplayVerdict {
    bool verified = false;
    std::string reason;  // one short phrase for the log and the player
};

// A play against the score that was stored: only its end's score counts, whether or not the game
// reached its game over.
ReplayVerdict JudgeReplay(const ReplayPlay& play, int64_t storedScore);

struct ReplayJob {
    int64_t replayId = 0;
    int64_t scoreId = 0;
    int64_t score = 0;  // as stored
    std::string name;   // for the log
    std::vector<uint8_t> file;
};

class ReplayVerifier {
public:
    // Called on a worker thread once a replay's check has ended, however it ended.
    using Done = std::function<void(const ReplayJob&, const ReplayVerdict&)>;

    // Starts the workers and waits until each has made its player (or failed to). Call it while the
    // process has one thread: it forks the checking processes.
    ReplayVerifier(ReplayPlayerFactory factory, std::string version, ReplayCheckLimits limits, Done done);
    // Stops: see Stop.
    ~ReplayVerifier();
    ReplayVerifier(const ReplayVerifier&) = delete;
    ReplayVerifier& operator=(const ReplayVerifier&) = delete;

    // False when no player could be made; WhyNot then says why.
    bool CanCheck() const { return whyNot_.empty(); }
    const std::string& WhyNot() const { return whyNot_; }
    const std::array<uint8_t, 32>& DataId() const { return dataId_; }
    const ReplayCheckLimits& Limits() const { return limits_; }

    // Takes a place in the queue for a job to come; false when the queue is full.
    bool Reserve();
    // Gives back a place taken but not used.
    void Release();
    // Queues a job in a place taken with Reserve.
    void Submit(ReplayJob job);

    // Ends the plays in progress and the workers; every job not checked is done as unverified,
    // "the server stopped". Safe to call more than once.
    void Stop();

private:
    struct Worker;
    void StartHost(Worker& worker, const ReplayPlayerFactory& factory);
    void Work(Worker& worker);
    ReplayVerdict Check(Worker& worker, const ReplayJob& job);

    std::string version_;
    ReplayCheckLimits limits_;
    Done done_;
    std::string whyNot_;
    std::array<uint8_t, 32> dataId_{};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<ReplayJob> queue_;
    size_t reserved_ = 0;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
};
