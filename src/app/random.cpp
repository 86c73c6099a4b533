#include "app/random.h"

#include <random>

namespace {
std::mt19937_64& Generator() {
    static std::mt19937_64 generator(1);
    return generator;
}
}  // namespace

void SeedRandom(uint64_t seed) {
    Generator().seed(seed);
}

int32_t Random(int32_t n) {
    if (n <= 0) return 0;
    return std::uniform_int_distribution<int32_t>(0, n - 1)(Generator());
}
