#include "app/random.h"

#include "base/errors.h"

namespace {

// MT19937-64 (Matsumoto and Nishimura, 2000), the same numbers as std::mt19937_64.
constexpr size_t kN = RandomState::kWords;
constexpr size_t kM = 156;
constexpr uint64_t kMatrix = 0xB5026F5AA96619E9ULL;
constexpr uint64_t kUpper = 0xFFFFFFFF80000000ULL;
constexpr uint64_t kLower = 0x7FFFFFFFULL;

void Seed(RandomState& s, uint64_t seed);

// Seeded with 1 until the program seeds it, as the standard generator is.
RandomState& State() {
    static RandomState state = [] {
        RandomState s;
        Seed(s, 1);
        return s;
    }();
    return state;
}

void Seed(RandomState& s, uint64_t seed) {
    s.words[0] = seed;
    for (size_t i = 1; i < kN; ++i)
        s.words[i] = 6364136223846793005ULL * (s.words[i - 1] ^ (s.words[i - 1] >> 62)) + i;
    s.index = kN;
}

void Twist(RandomState& s) {
    for (size_t i = 0; i < kN; ++i) {
        const uint64_t x = (s.words[i] & kUpper) | (s.words[(i + 1) % kN] & kLower);
        uint64_t next = x >> 1;
        if ((x & 1) != 0) next ^= kMatrix;
        s.words[i] = s.words[(i + kM) % kN] ^ next;
    }
    s.index = 0;
}

uint64_t Next(RandomState& s) {
    if (s.index >= kN) Twist(s);
    uint64_t x = s.words[s.index++];
    x ^= (x >> 29) & 0x5555555555555555ULL;
    x ^= (x << 17) & 0x71D67FFFEDA60000ULL;
    x ^= (x << 37) & 0xFFF7EEE000000000ULL;
    x ^= x >> 43;
    return x;
}

}  // namespace

void SeedRandom(uint64_t seed) {
    Seed(State(), seed);
}

uint64_t RandomBits() {
    return Next(State());
}

int32_t Random(int32_t n) {
    if (n <= 0) return 0;
    // Lemire's multiply-and-reject: the high word of a 128-bit product, with the few low words
    // that would favour some results drawn again.
    const uint64_t range = static_cast<uint64_t>(n);
    unsigned __int128 product = static_cast<unsigned __int128>(Next(State())) * range;
    uint64_t low = static_cast<uint64_t>(product);
    if (low < range) {
        const uint64_t threshold = (0 - range) % range;
        while (low < threshold) {
            product = static_cast<unsigned __int128>(Next(State())) * range;
            low = static_cast<uint64_t>(product);
        }
    }
    return static_cast<int32_t>(product >> 64);
}

RandomState SaveRandom() {
    return State();
}

void RestoreRandom(const RandomState& state) {
    if (state.index > RandomState::kWords) throw GameError("The random generator's state is damaged");
    State() = state;
}
