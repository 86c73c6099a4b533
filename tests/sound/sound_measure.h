#pragma once
// Measurements the sound tests share: levels and the seam of a loop.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sound_test {

// 64-bit FNV-1a of 16-bit samples, each low byte first: the fingerprint of a rendered sound.
inline uint64_t Fnv1a(const std::vector<int16_t>& samples) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (int16_t sample : samples) {
        const auto value = static_cast<uint16_t>(sample);
        for (int shift : {0, 8}) {
            hash ^= (value >> shift) & 0xFFu;
            hash *= 0x100000001b3ULL;
        }
    }
    return hash;
}

inline std::vector<float> FromPcm(const std::vector<int16_t>& pcm) {
    std::vector<float> out;
    for (int16_t s : pcm) out.push_back(static_cast<float>(s) / 32768.0f);
    return out;
}

inline double Db(double linear) {
    return linear > 0 ? 20 * std::log10(linear) : -1000;
}

inline double RmsDb(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
    return to > from ? Db(std::sqrt(sum / static_cast<double>(to - from))) : -1000;
}

inline double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// How much the sharpest step and the sharpest bend (second difference) of a sound played as a
// loop - its join included - stand out from the 99.9th percentile of all its steps and bends.
// A seamless loop stays near 1: its sharpest moments come back every cycle. A click is a step or
// a bend the sound has nowhere else, wherever it is (at the join, or inside where two rendered
// periods meet).
struct Seam {
    double stepRatio = 0;
    double bendRatio = 0;
};

inline Seam MeasureSeam(const std::vector<float>& x) {
    const size_t n = x.size();
    std::vector<double> steps, bends;
    for (size_t i = 0; i < n; ++i) {
        double before = x[(i + n - 1) % n], here = x[i], after = x[(i + 1) % n];
        steps.push_back(std::abs(after - here));
        bends.push_back(std::abs(after - 2 * here + before));
    }
    double maxStep = *std::max_element(steps.begin(), steps.end());
    double maxBend = *std::max_element(bends.begin(), bends.end());
    return {maxStep / Percentile(steps, 0.999), maxBend / Percentile(bends, 0.999)};
}

// Below this, nothing in the loop stands out.
inline constexpr double kSeamless = 1.5;

}  // namespace sound_test
