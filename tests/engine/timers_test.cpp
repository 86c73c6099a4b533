// Frame pacing and window timers.

#include "app/timers.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameTimer, PacesAtSixtyAFrameWithLagInFiveMillisecondSteps) {
    FrameTimer timer;
    timer.SetEnabled(true, 1000);
    std::vector<int32_t> lags;
    int frames = 0;
    for (uint64_t t = 1000; t < 2000; ++t) {
        const int32_t lag = timer.Poll(t);
        if (lag > 0) {
            ++frames;
            lags.push_back(lag);
        }
    }
    // The first frame waits for one 5 ms interval after enabling; after that the remainder is
    // carried, so the second holds 60 frames.
    EXPECT_EQ(frames, 60);
    EXPECT_EQ(lags[0], 1);
    for (size_t i = 2; i < lags.size(); ++i) EXPECT_EQ(lags[i], 3) << i;  // 16 or 17 ms div 5
}

TEST(FrameTimer, NeverRunsCloserThanFiveMillisecondsAndPausesWhileInactive) {
    FrameTimer timer;
    timer.SetFramePeriod(1);  // as fast as allowed
    timer.SetEnabled(true, 0);
    int frames = 0;
    for (uint64_t t = 0; t < 100; ++t) frames += timer.Poll(t) > 0 ? 1 : 0;
    EXPECT_EQ(frames, 19);  // at 5, 10, ... 95

    timer.SetActive(false, 100);
    for (uint64_t t = 100; t < 5000; ++t) EXPECT_EQ(timer.Poll(t), 0);
    timer.SetActive(true, 5000);
    // The paused time is not carried as lag: one interval after re-activation, lag 1.
    EXPECT_EQ(timer.Poll(5004), 0);
    EXPECT_EQ(timer.Poll(5005), 1);
}

TEST(WindowTimer, FiresEachIntervalWhileEnabledWithoutMakingUpMissedOnes) {
    TTimer timer(4000);
    int fired = 0;
    timer.OnTimer = [&] { ++fired; };
    timer.Poll(10000);
    EXPECT_EQ(fired, 0);  // off
    timer.SetEnabled(true, 1000);
    timer.Poll(4999);
    EXPECT_EQ(fired, 0);
    timer.Poll(5000);
    EXPECT_EQ(fired, 1);
    timer.Poll(30000);  // a long gap fires once
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(timer.DueAt(), 34000u);
    timer.SetEnabled(false, 30001);
    timer.Poll(40000);
    EXPECT_EQ(fired, 2);
}

}  // namespace
