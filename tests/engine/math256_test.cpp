#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "engine/math256.h"

namespace {

// How many doubles apart two values are.
int64_t UlpsApart(double a, double b) {
    if (a == b) return 0;
    int64_t ia = 0;
    int64_t ib = 0;
    std::memcpy(&ia, &a, sizeof a);
    std::memcpy(&ib, &b, sizeof b);
    if (ia < 0) ia = std::numeric_limits<int64_t>::min() - ia;
    if (ib < 0) ib = std::numeric_limits<int64_t>::min() - ib;
    return ia > ib ? ia - ib : ib - ia;
}

}  // namespace

TEST(Angles, TheWrittenOutTableIsTheCosine) {
    for (int i = 0; i < 256; ++i) {
        const double exact = std::cos(i / 256.0 * 2.0 * std::numbers::pi);
        EXPECT_LE(UlpsApart(Cos256(static_cast<uint8_t>(i)), exact), 1) << i;
        EXPECT_NEAR(Sin256(static_cast<uint8_t>(i)), std::sin(i / 256.0 * 2.0 * std::numbers::pi), 1e-15) << i;
    }
}

// Across the three ranges the argument is reduced to, the signs, and the slopes a rival's aim
// meets (a few pixels across to hundreds down).
TEST(Angles, PortableArcTangentAgreesWithTheLibrary) {
    for (double x = -60; x <= 60; x += 0.0137) EXPECT_LE(UlpsApart(PortableAtan(x), std::atan(x)), 2) << x;
    for (const double x : {0.0, 1e-300, 0.66, 0.6600000000000001, 2.414213562373095, 2.4142135623730954, 1e10,
                           -1e300, 1.0, -1.0})
        EXPECT_LE(UlpsApart(PortableAtan(x), std::atan(x)), 2) << x;
    EXPECT_TRUE(std::isnan(PortableAtan(std::nan(""))));
    EXPECT_EQ(PortableAtan(std::numeric_limits<double>::infinity()), std::numbers::pi / 2);
}
