#include "app/timers.h"

#include <cmath>
#include <limits>

void TTimer::SetEnabled(bool enabled, uint64_t now) {
    if (enabled && !enabled_) startedAt_ = now;
    enabled_ = enabled;
}

void TTimer::SetInterval(uint32_t interval, uint64_t now) {
    interval_ = interval;
    startedAt_ = now;
}

void TTimer::Poll(uint64_t now) {
    if (Due(now)) Fire(now);
}

void TTimer::Fire(uint64_t now) {
    startedAt_ = now;
    if (OnTimer) OnTimer();
}

void TTimer::FireRecorded() {
    if (enabled_ && OnTimer) OnTimer();
}

uint64_t TTimer::DueAt() const {
    return enabled_ ? startedAt_ + interval_ : std::numeric_limits<uint64_t>::max();
}

void FrameTimer::Restart(uint64_t now) {
    last_ = now;
    nextDue_ = static_cast<double>(now);
    rateStart_ = now;
    rateFrames_ = 0;
}

void FrameTimer::SetEnabled(bool enabled, uint64_t now) {
    if (enabled && !Running() && active_) Restart(now);
    enabled_ = enabled;
}

void FrameTimer::SetActive(bool active, uint64_t now) {
    if (active && !active_ && enabled_) Restart(now);
    active_ = active;
}

int32_t FrameTimer::Poll(uint64_t now) {
    if (!Running()) return 0;
    const double step = periodMs_ > kIntervalMs ? periodMs_ : kIntervalMs;
    if (static_cast<double>(now) < nextDue_ || now - last_ < kIntervalMs) return 0;
    nextDue_ += step;
    // After a long stall (a modal box, a slow disk) start the pacing afresh instead of racing.
    if (nextDue_ < static_cast<double>(now) - 4 * step) nextDue_ = static_cast<double>(now) + step;
    int32_t lag = static_cast<int32_t>((now - last_) / kIntervalMs);
    if (lag < 1) lag = 1;
    last_ = now;
    ++rateFrames_;
    if (now - rateStart_ >= 1000) {
        frameRate_ = static_cast<int32_t>(
            std::nearbyint(rateFrames_ * 1000.0 / static_cast<double>(now - rateStart_)));
        rateFrames_ = 0;
        rateStart_ = now;
    }
    return lag;
}

uint64_t FrameTimer::DueAt() const {
    if (!Running()) return std::numeric_limits<uint64_t>::max();
    uint64_t due = static_cast<uint64_t>(std::ceil(nextDue_));
    return due < last_ + kIntervalMs ? last_ + kIntervalMs : due;
}
