#include "replay_verifier.h"

#include <future>
#include <sstream>

#include "bounded_run.h"

namespace {

// A play as the child tells it: "score level lives frames ended" on the first line, any error
// after it.
std::string Tell(const ReplayPlay& play) {
    std::ostringstream out;
    out << play.end.score << ' ' << play.end.level << ' ' << play.end.lives << ' ' << play.end.frames << ' '
        << (play.end.ended ? 1 : 0) << '\n'
        << play.error;
    return out.str();
}

ReplayPlay Hear(const std::string& told) {
    std::istringstream in(told);
    ReplayPlay play;
    int ended = 0;
    if (!(in >> play.end.score >> play.end.level >> play.end.lives >> play.end.frames >> ended)) {
        play.error = "the check said nothing readable";
        return play;
    }
    play.end.ended = ended != 0;
    in.ignore(1);
    std::getline(in, play.error, '\0');
    return play;
}

std::string Seconds(std::chrono::seconds seconds) {
    return std::to_string(seconds.count()) + " s";
}

}  // namespace

ReplayLimits ReadLimits(const ReplayCheckLimits& limits) {
    ReplayLimits read;
    read.maxFileBytes = limits.maxFileBytes;
    read.maxUnpackedBytes = limits.maxUnpackedBytes;
    read.maxPlayMs = limits.maxPlayMs;
    return read;
}

std::string ScreenReplay(const Replay& replay, const std::string& version,
                         const std::array<uint8_t, 32>& dataId) {
    if (replay.start.version != version) return "replay of another version " + replay.start.version;
    if (replay.start.data != dataId) return "replay of other data";
    if (replay.start.clan != 1 && replay.start.clan != 2)
        return "replay of a game with no clan " + std::to_string(replay.start.clan);
    return {};
}

ReplayVerdict JudgeReplay(const ReplayPlay& play, int64_t storedScore) {
    if (!play.error.empty()) return {false, play.error};
    if (play.end.score != storedScore) {
        return {false, "replay ends at " + std::to_string(play.end.score) + ", stored " +
                           std::to_string(storedScore)};
    }
    return {true, "replay ends at " + std::to_string(play.end.score) + " as stored"};
}

struct ReplayVerifier::Worker {
    std::unique_ptr<IReplayPlayer> player;
    BoundedRunner runner;
    std::thread thread;
};

ReplayVerifier::ReplayVerifier(ReplayPlayerFactory factory, std::string version, ReplayCheckLimits limits,
                               Done done)
    : version_(std::move(version)), limits_(limits), done_(std::move(done)) {
    std::vector<std::future<std::string>> ready;
    for (size_t i = 0; i < std::max<size_t>(limits_.workers, 1); ++i) {
        auto promise = std::make_shared<std::promise<std::string>>();
        ready.push_back(promise->get_future());
        auto& worker = *workers_.emplace_back(std::make_unique<Worker>());
        worker.thread = std::thread([this, &worker, &factory, promise] {
            Work(worker, factory, [promise](std::string why) { promise->set_value(std::move(why)); });
        });
    }
    for (auto& one : ready) {
        const std::string why = one.get();
        if (!why.empty() && whyNot_.empty()) whyNot_ = why;
    }
    if (whyNot_.empty()) {
        dataId_ = workers_.front()->player->DataId();
    } else {
        Stop();
    }
}

ReplayVerifier::~ReplayVerifier() {
    Stop();
}

void ReplayVerifier::Work(Worker& worker, const ReplayPlayerFactory& factory,
                          std::function<void(std::string)> ready) {
    try {
        worker.player = factory();
        ready(worker.player ? "" : "no player");
    } catch (const std::exception& error) {
        ready(error.what());
    }
    // The factory is not touched after this: the constructor's copy goes when it returns.
    while (true) {
        ReplayJob job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        const ReplayVerdict verdict = Check(worker, job);
        if (done_) done_(job, verdict);
    }
}

ReplayVerdict ReplayVerifier::Check(Worker& worker, const ReplayJob& job) {
    if (!worker.player) return {false, "this server cannot check replays"};
    IReplayPlayer& player = *worker.player;
    const ReplayLimits read = ReadLimits(limits_);
    // The frames of the longest play the reader lets through: 60 a second.
    const int64_t maxFrames = limits_.maxPlayMs * 60 / 1000;
    BoundedRunLimits bounds;
    bounds.cpu = limits_.cpu;
    bounds.wall = std::max(limits_.cpu * 4, std::chrono::seconds(60));
    const BoundedRunResult run = worker.runner.Run(
        [&] {
            const Replay replay = DecodeReplay(job.file, read);
            return Tell(player.Play(replay, maxFrames));
        },
        bounds);
    using Ended = BoundedRunResult::Ended;
    switch (run.ended) {
        case Ended::Done:
            return JudgeReplay(Hear(run.output), job.score);
        case Ended::Failed:
            return {false, "not a replay: " + run.output};
        case Ended::OverCpu:
            return {false, "the replay did not end within " + Seconds(limits_.cpu) + " of CPU time"};
        case Ended::OverTime:
            return {false, "the replay's check did not end within " + Seconds(bounds.wall)};
        case Ended::Crashed:
            return {false, "the replay's check failed: " + run.output};
        case Ended::Stopped:
            break;
    }
    return {false, "the server stopped before the check ended"};
}

bool ReplayVerifier::Reserve() {
    std::lock_guard lock(mutex_);
    if (stopping_ || !CanCheck() || queue_.size() + reserved_ >= limits_.queue) return false;
    ++reserved_;
    return true;
}

void ReplayVerifier::Release() {
    std::lock_guard lock(mutex_);
    if (reserved_ > 0) --reserved_;
}

void ReplayVerifier::Submit(ReplayJob job) {
    {
        std::lock_guard lock(mutex_);
        if (reserved_ > 0) --reserved_;
        if (!stopping_) {
            queue_.push_back(std::move(job));
            wake_.notify_one();
            return;
        }
    }
    if (done_) done_(job, {false, "the server stopped before the check ended"});
}

void ReplayVerifier::Stop() {
    std::deque<ReplayJob> left;
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && workers_.empty()) return;
        stopping_ = true;
        left.swap(queue_);
    }
    wake_.notify_all();
    for (auto& worker : workers_) worker->runner.Cancel();
    for (auto& worker : workers_)
        if (worker->thread.joinable()) worker->thread.join();
    workers_.clear();
    for (const auto& job : left)
        if (done_) done_(job, {false, "the server stopped before the check ended"});
}
