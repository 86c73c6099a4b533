#pragma once
// The one random generator of the program: seeded once (clock in the game, --seed in the simulator).

#include <cstdint>

void SeedRandom(uint64_t seed);
// A uniform integer in [0, n); 0 when n <= 0.
int32_t Random(int32_t n);
