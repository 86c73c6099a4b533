#pragma once
// Renders a recipe into samples. Everything is deterministic: noise comes from a hash of the
// recipe's seed and the sample position, never from a clock or a shared generator.

#include <cstdint>
#include <vector>

#include "recipe.h"

namespace sfx {

struct Sound {
    int sampleRate = 44100;
    bool loop = false;
    std::vector<float> samples;  // mono, peak at the recipe's level
};

Sound Render(const Recipe& recipe);

// The highest RMS level over any window of kLoudnessWindow, in dBFS (-inf for silence).
// A loop is measured around its join as well.
double LoudnessDb(const std::vector<float>& samples, int sampleRate, bool loop);
double PeakDb(const std::vector<float>& samples);

// 16-bit PCM, rounded to nearest and clamped.
std::vector<int16_t> ToPcm16(const std::vector<float>& samples);

// RBJ biquad; the cutoff may change every sample (sweeps).
class Biquad {
public:
    enum class Type { Lowpass, Highpass, Bandpass };
    Biquad(Type type, double q, double sampleRate);
    void SetCutoff(double hz);
    double Process(double x);

private:
    Type type_;
    double q_;
    double sampleRate_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One cycle of the band-limited waveforms at `phase` (0..1), `step` = frequency / sample rate.
double Oscillator(Waveform waveform, double phase, double step, double duty = 0.5);

// Position-addressed white noise in [-1, 1): the same seed and index always give the same value.
double NoiseAt(uint64_t seed, int64_t index);

}  // namespace sfx
