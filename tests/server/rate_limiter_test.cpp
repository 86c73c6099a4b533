#include "rate_limiter.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(RateLimiter, TenAMinutePerAddressInASlidingWindow) {
    RateLimiter limiter(10);
    const auto t0 = RateLimiter::Clock::time_point{} + 1000s;
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(limiter.Allow("10.0.0.1", t0 + i * 1s)) << i;
    EXPECT_FALSE(limiter.Allow("10.0.0.1", t0 + 30s));
    EXPECT_TRUE(limiter.Allow("10.0.0.2", t0 + 30s));  // another client is not held back
    // A minute after the first query, one place is free again, and only one.
    EXPECT_TRUE(limiter.Allow("10.0.0.1", t0 + 60s));
    EXPECT_FALSE(limiter.Allow("10.0.0.1", t0 + 60s));
    EXPECT_TRUE(limiter.Allow("10.0.0.1", t0 + 61s));
}

TEST(RateLimiter, RefusedQueriesDoNotProlongTheWait) {
    RateLimiter limiter(2);
    const auto t0 = RateLimiter::Clock::time_point{} + 1000s;
    EXPECT_TRUE(limiter.Allow("a", t0));
    EXPECT_TRUE(limiter.Allow("a", t0));
    for (int i = 1; i < 60; ++i) EXPECT_FALSE(limiter.Allow("a", t0 + i * 1s));
    EXPECT_TRUE(limiter.Allow("a", t0 + 60s));
}

TEST(RateLimiter, ZeroLetsEverythingThrough) {
    RateLimiter limiter(0);
    const auto t0 = RateLimiter::Clock::time_point{};
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(limiter.Allow("a", t0));
}

TEST(RateLimiter, QuietAddressesAreForgotten) {
    RateLimiter limiter(10);
    const auto t0 = RateLimiter::Clock::time_point{} + 1000s;
    for (int i = 0; i < 1000; ++i) limiter.Allow("client-" + std::to_string(i), t0);
    EXPECT_EQ(limiter.TrackedAddresses(), 1000u);
    // Once the minute has passed, the next clean-up drops them all but the ones still talking.
    for (int i = 0; i < 1100; ++i) limiter.Allow("busy", t0 + 120s + i * 1ms);
    EXPECT_EQ(limiter.TrackedAddresses(), 1u);
}
