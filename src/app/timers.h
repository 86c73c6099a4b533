#pragma once
// Window timers and the frame timer, both driven by the millisecond clock from the main loop.

#include <cstdint>
#include <functional>

// A main-thread timer: fires once each time its interval has passed while enabled; missed
// intervals are not made up, as with a window timer. Keeps running while frames are paused.
class TTimer {
public:
    explicit TTimer(uint32_t interval) : interval_(interval) {}
    void SetEnabled(bool enabled, uint64_t now);
    bool Enabled() const { return enabled_; }
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval, uint64_t now);
    // Fires the handler when due.
    void Poll(uint64_t now);
    bool Due(uint64_t now) const { return enabled_ && now >= startedAt_ + interval_; }
    // Fires now, as when due: the interval starts again from `now`.
    void Fire(uint64_t now);
    // Fires the handler, when enabled, without touching the interval: a recorded firing played
    // again, the clock having no say.
    void FireRecorded();
    // When the timer next fires, or UINT64_MAX when it is off.
    uint64_t DueAt() const;

    std::function<void()> OnTimer;

private:
    uint32_t interval_;
    bool enabled_ = false;
    uint64_t startedAt_ = 0;
};

// Decides when a frame runs and with which lag count. Frames are paced at a fixed rate
// (60 a second by default, whatever the display's refresh) with the remainder carried so the
// average is exact; never closer than the 5 ms interval. The lag count is the number of whole
// 5 ms intervals since the previous frame, at least 1.
class FrameTimer {
public:
    static constexpr uint32_t kIntervalMs = 5;

    void SetFramePeriod(double periodMs) { periodMs_ = periodMs; }
    double FramePeriod() const { return periodMs_; }
    // Enabling (and re-activation) sets the reference time to now, so a pause is not carried as lag.
    void SetEnabled(bool enabled, uint64_t now);
    bool Enabled() const { return enabled_; }
    void SetActive(bool active, uint64_t now);
    bool Active() const { return active_; }
    bool Running() const { return enabled_ && active_; }
    // The lag count when a frame is due now, 0 otherwise.
    int32_t Poll(uint64_t now);
    // When the next frame is due (UINT64_MAX while not running).
    uint64_t DueAt() const;
    // Frames per second, taken about once a second.
    int32_t FrameRate() const { return frameRate_; }

private:
    void Restart(uint64_t now);

    double periodMs_ = 1000.0 / 60.0;
    bool enabled_ = false;
    bool active_ = true;
    uint64_t last_ = 0;
    double nextDue_ = 0;
    uint64_t rateStart_ = 0;
    int32_t rateFrames_ = 0;
    int32_t frameRate_ = 0;
};

// The main window's five timers. They keep firing while frames are paused.
struct WindowTimers {
    TTimer Timer1{4000};
    TTimer Timer_Level{2000};
    TTimer Timer_Nitro{1000};
    TTimer Timer_police{8000};
    TTimer sharetimer{100};
};
