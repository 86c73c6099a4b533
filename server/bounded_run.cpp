#include "bounded_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// Most a child may say; the work's answers are a line or two.
constexpr size_t kMaxOutput = 64 * 1024;

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace

// A connection the server closes must not stay open through a child's copy of its descriptor,
// nor the listening socket outlive the server. Files, pipes and the rest may stay.
void CloseInheritedSockets(int keep) {
    const int dir = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    alignas(8) char buffer[4096];
    while (true) {
        const long n = syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0) break;
        for (long at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            int fd = 0;
            const char* name = entry->d_name;
            if (*name < '0' || *name > '9') continue;
            for (; *name >= '0' && *name <= '9'; ++name) fd = fd * 10 + (*name - '0');
            struct stat info {};
            if (fd != keep && fd != dir && fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode)) close(fd);
        }
    }
    close(dir);
}

namespace {

[[noreturn]] void RunChild(int out, pid_t parent, const std::function<std::string()>& work,
                           const BoundedRunLimits& limits) {
    CloseInheritedSockets(out);
    // Ends with whoever started it, however that ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);  // it ended before the line above
    signal(SIGXCPU, SIG_DFL);
    const auto seconds = static_cast<rlim_t>(limits.cpu.count());
    const rlimit cpu{seconds, seconds + 1};  // SIGXCPU at the bound, SIGKILL a second later
    setrlimit(RLIMIT_CPU, &cpu);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (limits.nice > 0) {
        errno = 0;
        [[maybe_unused]] const int niceness = nice(limits.nice);
    }
    char kind = 'R';
    std::string said;
    try {
        said = work();
    } catch (const std::exception& error) {
        kind = 'E';
        said = error.what();
    } catch (...) {
        kind = 'E';
        said = "unknown failure";
    }
    WriteAll(out, &kind, 1);
    WriteAll(out, said.data(), std::min(said.size(), kMaxOutput - 1));
    _exit(0);
}

std::chrono::milliseconds CpuOf(const rusage& usage) {
    const auto micros = [](const timeval& t) { return int64_t{t.tv_sec} * 1'000'000 + t.tv_usec; };
    return std::chrono::milliseconds((micros(usage.ru_utime) + micros(usage.ru_stime)) / 1000);
}

}  // namespace

BoundedRunResult BoundedRunner::Run(const std::function<std::string()>& work,
                                    const BoundedRunLimits& limits) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe for a child");
    pid_t pid = -1;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) {
            close(pipeFds[0]);
            close(pipeFds[1]);
            return {BoundedRunResult::Ended::Stopped, "", {}};
        }
        const pid_t parent = getpid();
        pid = fork();
        if (pid == 0) RunChild(pipeFds[1], parent, work, limits);
        child_ = pid;
    }
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        throw std::runtime_error(std::string("cannot start a child: ") + std::strerror(errno));
    }

    // What the child says, until it ends (its end of the pipe closes with it) or time is up.
    std::string output;
    bool overTime = false;
    const auto deadline = Clock::now() + limits.wall;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            overTime = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        if (polled < 0 && errno != EINTR) break;
        if (polled <= 0) continue;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (output.size() < kMaxOutput) output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);

    // Waited for without reaping first, so a Cancel racing with the end never signals a process
    // that has taken the child's number since.
    siginfo_t info{};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    bool cancelled = false;
    {
        std::lock_guard lock(mutex_);
        child_ = -1;
        cancelled = cancelled_;
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }

    BoundedRunResult result;
    result.cpu = CpuOf(usage);
    using Ended = BoundedRunResult::Ended;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !output.empty()) {
        result.ended = output[0] == 'R' ? Ended::Done : Ended::Failed;
        result.output = output.substr(1);
    } else if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (cancelled) {
            result.ended = Ended::Stopped;
        } else if (overTime) {
            result.ended = Ended::OverTime;
        } else if (signal == SIGXCPU || (signal == SIGKILL && result.cpu >= limits.cpu)) {
            result.ended = Ended::OverCpu;
        } else {
            result.ended = Ended::Crashed;
            const char* name = sigabbrev_np(signal);
            result.output =
                name ? std::string("killed by SIG") + name : "killed by signal " + std::to_string(signal);
        }
    } else {
        result.ended = cancelled ? Ended::Stopped : Ended::Crashed;
        result.output = "ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return result;
}

void BoundedRunner::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (child_ > 0) kill(child_, SIGKILL);
}
