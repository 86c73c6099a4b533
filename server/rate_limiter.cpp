#include "rate_limiter.h"

bool RateLimiter::Allow(const std::string& address, Clock::time_point now) {
    if (limit_ == 0) return true;
    std::lock_guard lock(mutex_);
    // Addresses that have gone quiet are dropped now and then, so a crowd of one-off clients does
    // not pile up.
    if (++callsSincePrune_ >= 1024) Prune(now);
    auto& times = recent_[address];
    while (!times.empty() && now - times.front() >= window_) times.pop_front();
    if (times.size() >= limit_) return false;
    times.push_back(now);
    return true;
}

size_t RateLimiter::TrackedAddresses() {
    std::lock_guard lock(mutex_);
    return recent_.size();
}

void RateLimiter::Prune(Clock::time_point now) {
    callsSincePrune_ = 0;
    for (auto it = recent_.begin(); it != recent_.end();) {
        if (it->second.empty() || now - it->second.back() >= window_)
            it = recent_.erase(it);
        else
            ++it;
    }
}

namespace {

class LocalBudget final : public RateBudget {
public:
    explicit LocalBudget(size_t limit) : limiter_(limit) {}
    bool Allow(const std::string& address) override {
        return limiter_.Allow(address, RateLimiter::Clock::now());
    }

private:
    RateLimiter limiter_;
};

}  // namespace

std::unique_ptr<RateBudget> LocalRateBudget(size_t limit) {
    return std::make_unique<LocalBudget>(limit);
}
