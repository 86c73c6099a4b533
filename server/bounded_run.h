#pragma once
// A piece of work run in a child process of its own, held to a bound of CPU time and of wall time:
// what the work does cannot hang, crash or starve the server. The child is a fork of the caller,
// so it starts with everything the caller had built (the game's data, read once); it closes every
// socket it inherited at once, so the server's connections end when the server closes them, and
// runs at a lower priority than the server's own threads.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>

struct BoundedRunLimits {
    std::chrono::seconds cpu{20};    // CPU time of the child
    std::chrono::seconds wall{120};  // time on the clock, should the machine be very busy
    int nice = 10;                   // added to the child's niceness
};

struct BoundedRunResult {
    enum class Ended {
        Done,      // the work returned; output is what it returned
        Failed,    // the work threw; output is the message
        OverCpu,   // stopped at the CPU bound
        OverTime,  // stopped at the wall-time bound
        Crashed,   // the child died some other way; output says how
        Stopped,   // Cancel was called
    };
    Ended ended = Ended::Crashed;
    std::string output;
    std::chrono::milliseconds cpu{0};  // CPU time the child took
};

// In a forked child: closes every socket it inherited but keep, so a connection its parent closes
// ends for the peer at once rather than when the child does. Only system calls, no allocation.
void CloseInheritedSockets(int keep = -1);

class BoundedRunner {
public:
    BoundedRunner() = default;
    BoundedRunner(const BoundedRunner&) = delete;
    BoundedRunner& operator=(const BoundedRunner&) = delete;

    // Runs work in a child and waits for it. One run at a time per runner. Fork from a process of
    // one thread: a lock another thread held at the fork would stay held in the child.
    BoundedRunResult Run(const std::function<std::string()>& work, const BoundedRunLimits& limits);

    // Ends the run in progress, if any, from any thread; the run then answers Stopped. A run begun
    // after a cancel is stopped at once.
    void Cancel();

private:
    std::mutex mutex_;
    pid_t child_ = -1;
    bool cancelled_ = false;
};
