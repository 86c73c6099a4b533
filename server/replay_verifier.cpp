#include "replay_verifier.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <sstream>
#include <string_view>

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

namespace {

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// A message between a worker and its checking process: its size, then its bytes.
bool Send(int fd, std::string_view message) {
    const auto size = static_cast<uint32_t>(message.size());
    return WriteAll(fd, &size, sizeof size) && WriteAll(fd, message.data(), message.size());
}

std::optional<std::string> Receive(int fd, size_t max) {
    uint32_t size = 0;
    if (!ReadAll(fd, &size, sizeof size) || size > max) return std::nullopt;
    std::string message(size, '\0');
    if (!ReadAll(fd, message.data(), size)) return std::nullopt;
    return message;
}

// The checking process's answer to a job: how the run ended, then what it said.
std::string Answer(const BoundedRunResult& run) {
    return std::string(1, static_cast<char>(run.ended)) + run.output;
}

// The checking process: makes the player once, says whether it could (and the data it plays
// on), then plays each job's replay in a bounded child until the worker closes its side.
[[noreturn]] void Host(int jobs, int answers, const ReplayPlayerFactory& factory,
                       const ReplayCheckLimits& limits, pid_t server) {
    CloseInheritedSockets();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != server) _exit(1);
    std::unique_ptr<IReplayPlayer> player;
    try {
        player = factory();
        if (!player) throw std::runtime_error("no player");
        const auto id = player->DataId();
        Send(answers, "+" + std::string(id.begin(), id.end()));
    } catch (const std::exception& error) {
        Send(answers, std::string("-") + error.what());
        _exit(0);
    }
    const ReplayLimits read = ReadLimits(limits);
    // The frames of the longest play the reader lets through: 60 a second.
    const int64_t maxFrames = limits.maxPlayMs * 60 / 1000;
    BoundedRunLimits bounds;
    bounds.cpu = limits.cpu;
    bounds.wall = std::max(limits.cpu * 4, std::chrono::seconds(60));
    while (const auto file = Receive(jobs, limits.maxFileBytes)) {
        const BoundedRunResult run = [&] {
            try {
                BoundedRunner runner;
                return runner.Run(
                    [&] {
                        const auto* bytes = reinterpret_cast<const uint8_t*>(file->data());
                        const Replay replay = DecodeReplay(std::span(bytes, file->size()), read);
                        return Tell(player->Play(replay, maxFrames));
                    },
                    bounds);
            } catch (const std::exception& error) {
                return BoundedRunResult{BoundedRunResult::Ended::Crashed, error.what(), {}};
            }
        }();
        if (!Send(answers, Answer(run))) break;
    }
    _exit(0);
}

}  // namespace

struct ReplayVerifier::Worker {
    pid_t host = -1;
    int jobs = -1;     // to the checking process
    int answers = -1;  // from it
    std::thread thread;
};

ReplayVerifier::ReplayVerifier(ReplayPlayerFactory factory, std::string version, ReplayCheckLimits limits,
                               Done done)
    : version_(std::move(version)), limits_(limits), done_(std::move(done)) {
    // Every checking process is forked before the first worker thread starts.
    for (size_t i = 0; i < std::max<size_t>(limits_.workers, 1); ++i) {
        auto& worker = *workers_.emplace_back(std::make_unique<Worker>());
        StartHost(worker, factory);
    }
    if (whyNot_.empty()) {
        for (auto& worker : workers_)
            worker->thread = std::thread([this, &worker = *worker] { Work(worker); });
    } else {
        Stop();
    }
}

ReplayVerifier::~ReplayVerifier() {
    Stop();
}

void ReplayVerifier::StartHost(Worker& worker, const ReplayPlayerFactory& factory) {
    int jobs[2];
    int answers[2];
    if (pipe2(jobs, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for a replay checker");
    if (pipe2(answers, O_CLOEXEC) != 0) {
        close(jobs[0]);
        close(jobs[1]);
        throw std::runtime_error("no pipe for a replay checker");
    }
    const pid_t server = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        close(jobs[1]);
        close(answers[0]);
        Host(jobs[0], answers[1], factory, limits_, server);
    }
    close(jobs[0]);
    close(answers[1]);
    worker.host = pid;
    worker.jobs = jobs[1];
    worker.answers = answers[0];
    std::string why;
    if (pid < 0) {
        why = std::string("cannot start a replay checker: ") + std::strerror(errno);
    } else if (const auto ready = Receive(worker.answers, 4096); !ready || ready->empty()) {
        why = "the replay checker ended as it started";
    } else if ((*ready)[0] == '+' && ready->size() == 1 + dataId_.size()) {
        std::copy(ready->begin() + 1, ready->end(), dataId_.begin());
    } else {
        why = ready->substr(1);
    }
    if (!why.empty() && whyNot_.empty()) whyNot_ = why;
}

void ReplayVerifier::Work(Worker& worker) {
    // A checking process that has gone closes its pipe: the write says so rather than a signal
    // ending the server (this thread's SIGPIPE stays blocked).
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
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
    const std::string_view file(reinterpret_cast<const char*>(job.file.data()), job.file.size());
    std::optional<std::string> answer;
    if (Send(worker.jobs, file)) answer = Receive(worker.answers, 1 << 20);
    if (!answer || answer->empty()) {
        std::lock_guard lock(mutex_);
        if (stopping_) return {false, "the server stopped before the check ended"};
        return {false, "the replay's check failed: its checking process is gone"};
    }
    const auto ended = static_cast<BoundedRunResult::Ended>((*answer)[0]);
    const std::string output = answer->substr(1);
    using Ended = BoundedRunResult::Ended;
    switch (ended) {
        case Ended::Done:
            return JudgeReplay(Hear(output), job.score);
        case Ended::Failed:
            return {false, "not a replay: " + output};
        case Ended::OverCpu:
            return {false, "the replay did not end within " + Seconds(limits_.cpu) + " of CPU time"};
        case Ended::OverTime:
            return {false, "the replay's check did not end within " +
                               Seconds(std::max(limits_.cpu * 4, std::chrono::seconds(60)))};
        case Ended::Crashed:
            return {false, "the replay's check failed: " + output};
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
    // The checking processes go at once, and the plays in progress with them (their children
    // end with them); a worker waiting for one hears the end of its pipe.
    for (auto& worker : workers_)
        if (worker->host > 0) kill(worker->host, SIGKILL);
    for (auto& worker : workers_) {
        if (worker->thread.joinable()) worker->thread.join();
        if (worker->host > 0) waitpid(worker->host, nullptr, 0);
        if (worker->jobs >= 0) close(worker->jobs);
        if (worker->answers >= 0) close(worker->answers);
    }
    workers_.clear();
    for (const auto& job : left)
        if (done_) done_(job, {false, "the server stopped before the check ended"});
}
