#include <gtest/gtest.h>

#include <random>

#include "app/random.h"
#include "base/errors.h"

// The generator is the standard's 64-bit Mersenne Twister: its 10 000th number is fixed by the
// standard, so a mistake in the twist or the tempering shows here on any library.
TEST(RandomGenerator, IsTheStandardMersenneTwister) {
    SeedRandom(5489);
    uint64_t value = 0;
    for (int i = 0; i < 10000; ++i) value = RandomBits();
    EXPECT_EQ(value, 9981545732273789042ULL);
}

// The draws are the ones the game made before they were written here (the GNU library's
// distribution over the same generator), so every recorded game and test seed plays as before.
// Where the library draws otherwise (another standard library) this test would say so, not the
// game.
TEST(RandomGenerator, DrawsAsTheGameAlwaysHas) {
    for (const int32_t n : {1, 2, 3, 4, 5, 101, 170, 638, 650, 1000000, 2147483647}) {
        SeedRandom(1234 + static_cast<uint64_t>(n));
        std::mt19937_64 reference(1234 + static_cast<uint64_t>(n));
        std::uniform_int_distribution<int32_t> draw(0, n - 1);
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(Random(n), draw(reference)) << "n " << n << " draw " << i;
    }
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-3), 0);
}

TEST(RandomGenerator, ASavedStateDrawsTheSameAgain) {
    SeedRandom(77);
    for (int i = 0; i < 500; ++i) Random(9);  // somewhere inside the words, not at a twist
    const RandomState saved = SaveRandom();
    std::vector<int32_t> first;
    for (int i = 0; i < 1000; ++i) first.push_back(Random(650));  // across a twist
    RestoreRandom(saved);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Random(650), first[static_cast<size_t>(i)]) << i;

    RandomState broken = saved;
    broken.index = RandomState::kWords + 1;
    EXPECT_THROW(RestoreRandom(broken), GameError);
}
