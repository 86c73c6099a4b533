#pragma once
// At most N score queries per client address in any 60 seconds. Kept in the process: each server
// of several sharing a database counts its own clients.

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    // limit 0 lets everything through.
    explicit RateLimiter(size_t limit, Clock::duration window = std::chrono::seconds(60))
        : limit_(limit), window_(window) {}

    // True when this query may go on; it then counts against the address.
    bool Allow(const std::string& address, Clock::time_point now);

    // Addresses still remembered (for tests of the clean-up).
    size_t TrackedAddresses();

private:
    void Prune(Clock::time_point now);

    size_t limit_;
    Clock::duration window_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::deque<Clock::time_point>> recent_;
    size_t callsSincePrune_ = 0;
};
