#pragma once
// The one random generator of the program: seeded once (clock in the game, --seed in the
// simulator). Its numbers are the same on every machine and with every compiler and library: the
// generator is the 64-bit Mersenne Twister and the draw below is written here, not taken from the
// standard library's distributions, whose results each library chooses for itself. A replay
// carries the generator's whole state from the moment its game began.

#include <array>
#include <cstddef>
#include <cstdint>

// Everything the generator knows: its 312 words and where it is among them.
struct RandomState {
    static constexpr std::size_t kWords = 312;
    std::array<uint64_t, kWords> words{};
    uint32_t index = kWords;
    bool operator==(const RandomState&) const = default;
};

void SeedRandom(uint64_t seed);
// A uniform integer in [0, n); 0 when n <= 0.
int32_t Random(int32_t n);
// The next raw 64-bit output.
uint64_t RandomBits();
RandomState SaveRandom();
// Throws GameError when the state cannot be one of the generator's (an index past its words).
void RestoreRandom(const RandomState& state);
