#pragma once
// Budgets of queries per client address a minute. RateLimiter counts in the process, which is
// right for one server (SQLite); servers sharing a PostgreSQL database count in it together (see
// IScoreStore::SharedRateBudget).

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// At most N queries per client address a minute, however they are counted.
class RateBudget {
public:
    virtual ~RateBudget() = default;
    // True when this query may go on; it then counts against the address. May throw StoreError
    // when the count lives in the database.
    virtual bool Allow(const std::string& address) = 0;
};

// At most N queries per client address in any 60 seconds, counted in this process.
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

// A RateLimiter on the steady clock, as a budget.
std::unique_ptr<RateBudget> LocalRateBudget(size_t limit);
