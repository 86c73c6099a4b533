// Procedural instruments. Every looped sample is built from oscillators that complete a whole
// number of cycles within the loop, so loops are seamless for any mix of detuned voices.

#include "synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "base/errors.h"

namespace xm {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kTopHz = 19000.0;  // highest partial we let the player resample to
constexpr int kTableSize = 4096;
constexpr int kZoneSemitones = 6;  // one sample per half octave keeps resampling artefacts low
constexpr double kPeak = 0.92;     // every sample is normalised to this peak
constexpr int kLeadIn = 64;        // samples before a loop starts

// Small deterministic noise source: the same recipe always gives the same samples.
class Noise {
public:
    explicit Noise(const std::string& seedText) {
        uint32_t h = 2166136261u;
        for (char c : seedText) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
        state_ = h ? h : 1;
    }
    double Next() {  // uniform in [-1, 1)
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }
    double Unit() { return (Next() + 1.0) * 0.5; }

private:
    uint32_t state_;
};

// RBJ biquad, enough for shaping noise.
class Biquad {
public:
    enum class Type { LowPass, HighPass, BandPass };
    Biquad(Type type, double hz, double q) {
        const double w = kTwoPi * std::min(hz, kSampleRate * 0.45) / kSampleRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double cw = std::cos(w);
        double b0 = 0, b1 = 0, b2 = 0;
        switch (type) {
            case Type::LowPass:
                b0 = (1 - cw) / 2, b1 = 1 - cw, b2 = (1 - cw) / 2;
                break;
            case Type::HighPass:
                b0 = (1 + cw) / 2, b1 = -(1 + cw), b2 = (1 + cw) / 2;
                break;
            case Type::BandPass:
                b0 = alpha, b1 = 0, b2 = -alpha;
                break;
        }
        const double a0 = 1 + alpha;
        b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0;
        a1_ = -2 * cw / a0, a2_ = (1 - alpha) / a0;
    }
    double Run(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return y;
    }

private:
    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Settings of one recipe, checked against the kind's defaults.
class Settings {
public:
    Settings(const InstrumentRecipe& recipe) : name_(recipe.name), values_(DefaultSettings(recipe.kind)) {
        for (const auto& [key, value] : recipe.settings) {
            if (!values_.count(key))
                throw GameError(FormatMessage("Instrument '%s': '%s' is not a setting of %s", name_.c_str(),
                                              key.c_str(), recipe.kind.c_str()));
            values_[key] = value;
        }
    }
    double Num(const std::string& key, double lo, double hi) const {
        const std::string& text = values_.at(key);
        double v = 0;
        if (int note = ParseNoteName(text); note > 0) {
            v = note;
        } else {
            size_t used = 0;
            try {
                v = std::stod(text, &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != text.size() || text.empty())
                throw GameError(FormatMessage("Instrument '%s': %s=%s is not a number", name_.c_str(),
                                              key.c_str(), text.c_str()));
        }
        if (v < lo || v > hi)
            throw GameError(
                FormatMessage("Instrument '%s': %s must be %g..%g", name_.c_str(), key.c_str(), lo, hi));
        return v;
    }
    const std::string& Text(const std::string& key) const { return values_.at(key); }

private:
    std::string name_;
    std::map<std::string, std::string> values_;
};

std::vector<int16_t> ToPcm(std::vector<double>& wave) {
    double peak = 1e-9;
    for (double v : wave) peak = std::max(peak, std::fabs(v));
    std::vector<int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(wave[i] / peak * kPeak * 32767.0));
    return pcm;
}

// Short fades so one-shots neither click in nor click out.
void FadeEdges(std::vector<double>& wave, int inSamples, int outSamples) {
    const int n = static_cast<int>(wave.size());
    for (int i = 0; i < std::min(inSamples, n); ++i) wave[i] *= static_cast<double>(i) / inSamples;
    for (int i = 0; i < std::min(outSamples, n); ++i) wave[n - 1 - i] *= static_cast<double>(i) / outSamples;
}

int Samples(double ms) {
    return std::max(1, static_cast<int>(std::lround(ms * kSampleRate / 1000.0)));
}

// The six detuned square waves of an analogue cymbal, plus noise.
double Metal(double t, double scale) {
    static constexpr double kHz[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double v = 0;
    for (double hz : kHz) v += std::sin(kTwoPi * hz * scale * t) >= 0 ? 1.0 : -1.0;
    return v / 6.0;
}

std::vector<double> Kick(const Settings& s, Noise& noise) {
    const double start = s.Num("pitch", 30, 1000), end = s.Num("pitchend", 20, 500);
    const double bend = s.Num("bend", 1, 500) / 1000.0, decay = s.Num("decay", 10, 3000) / 1000.0;
    const double click = s.Num("click", 0, 1), drive = s.Num("drive", 0.1, 10);
    const int n = Samples(s.Num("length", 50, 4000));
    std::vector<double> w(n);
    Biquad clickFilter(Biquad::Type::LowPass, 5000, 0.7);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double hz = end + (start - end) * std::exp(-t / bend);
        phase += kTwoPi * hz / kSampleRate;
        const double body = std::sin(phase) * std::exp(-t / decay);
        const double tick = clickFilter.Run(noise.Next()) * click * std::exp(-t / 0.004);
        w[i] = std::tanh(drive * (body + tick)) / std::tanh(drive);
    }
    FadeEdges(w, 8, Samples(15));
    return w;
}

std::vector<double> Snare(const Settings& s, Noise& noise, bool clap) {
    const double tone = s.Num("tone", 50, 1000), toneMix = s.Num("tonemix", 0, 2);
    const double decay = s.Num("decay", 5, 3000) / 1000.0;
    const double tail = s.Num("tail", 0, 1), tailDecay = s.Num("taildecay", 10, 4000) / 1000.0;
    const double bright = s.Num("bright", 500, 16000);
    const int n = Samples(s.Num("length", 50, 5000));
    std::vector<double> w(n);
    Biquad body(Biquad::Type::BandPass, clap ? bright : bright * 0.45, clap ? 1.6 : 0.6);
    Biquad air(Biquad::Type::HighPass, clap ? 700 : 1800, 0.7);
    Biquad roomLow(Biquad::Type::LowPass, 5000, 0.6);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double raw = noise.Next();
        double env;
        if (clap) {
            // A hand clap is a few quick slaps before the main burst.
            const double slaps[] = {0.0, 0.010, 0.021};
            env = 0;
            for (double at : slaps)
                if (t >= at) env = std::max(env, std::exp(-(t - at) / 0.003));
            if (t >= 0.031) env = std::max(env, std::exp(-(t - 0.031) / decay));
        } else {
            env = std::exp(-t / decay);
        }
        const double room = tail * std::exp(-t / tailDecay) * std::min(1.0, t / 0.01);
        const double shaped = clap ? body.Run(raw) * 2.5 : 0.6 * body.Run(raw) + 0.5 * air.Run(raw);
        double v = shaped * env + roomLow.Run(raw) * room * 0.5;
        if (!clap) {
            const double tt = std::exp(-t / 0.05);
            v += toneMix * tt * (std::sin(kTwoPi * tone * t) + 0.45 * std::sin(kTwoPi * tone * 1.62 * t));
        }
        w[i] = std::tanh(1.4 * v);
    }
    FadeEdges(w, 4, Samples(20));
    return w;
}

std::vector<double> Cymbal(const Settings& s, Noise& noise) {
    const double decay = s.Num("decay", 5, 5000) / 1000.0, cutoff = s.Num("cutoff", 1000, 16000);
    const double metal = s.Num("metal", 0, 1), attack = s.Num("attack", 0, 500) / 1000.0;
    const int n = Samples(s.Num("length", 20, 8000));
    std::vector<double> w(n);
    Biquad hp1(Biquad::Type::HighPass, cutoff, 0.7), hp2(Biquad::Type::HighPass, cutoff, 0.7);
    Biquad shine(Biquad::Type::BandPass, std::min(cutoff * 1.5, 14000.0), 0.9);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double raw = metal * Metal(t, 1.7) + (1 - metal) * noise.Next();
        const double hi = hp2.Run(hp1.Run(raw));
        const double env = std::exp(-t / decay) * (attack > 0 ? std::min(1.0, t / attack) : 1.0);
        w[i] = (0.7 * hi + 0.5 * shine.Run(hi)) * env;
    }
    FadeEdges(w, 3, Samples(std::min(30.0, n * 500.0 / kSampleRate)));
    return w;
}

std::vector<double> Sweep(const Settings& s, Noise& noise, int bpm) {
    const double beats = s.Num("beats", 0.25, 32), from = s.Num("from", 50, 16000),
                 to = s.Num("to", 50, 16000);
    const int n = Samples(beats * 60000.0 / bpm);
    std::vector<double> w(n);
    double low = 0, band = 0;  // state-variable filter, retuned every sample
    for (int i = 0; i < n; ++i) {
        const double p = static_cast<double>(i) / n;
        const double hz = from * std::pow(to / from, p);
        const double f = 2 * std::sin(std::numbers::pi * std::min(hz, 15000.0) / kSampleRate);
        const double high = noise.Next() - low - 0.5 * band;
        band += f * high;
        low += f * band;
        w[i] = band * (0.15 + 0.85 * p * p);
    }
    FadeEdges(w, Samples(10), Samples(8));
    return w;
}

// ---- tonal instruments ----

struct Wave {
    double saw = 0, square = 0, triangle = 0, sine = 0;
    double Harmonic(int n) const {
        double a = saw / n;
        if (n % 2 == 1) {
            a += square / n;
            a += triangle * ((n / 2) % 2 == 0 ? 1.0 : -1.0) / (static_cast<double>(n) * n);
        }
        if (n == 1) a += sine;
        return a;
    }
};

// Formants of sung vowels (Hz, bandwidth Hz, gain).
std::vector<std::array<double, 3>> Formants(const std::string& vowel) {
    if (vowel == "a") return {{800, 130, 1.0}, {1150, 150, 0.5}, {2900, 200, 0.25}};
    if (vowel == "e") return {{400, 100, 1.0}, {1600, 150, 0.4}, {2700, 200, 0.25}};
    if (vowel == "i") return {{300, 90, 1.0}, {2200, 150, 0.3}, {3000, 200, 0.25}};
    if (vowel == "o") return {{450, 100, 1.0}, {800, 120, 0.6}, {2830, 200, 0.15}};
    if (vowel == "u") return {{325, 90, 1.0}, {700, 120, 0.3}, {2530, 200, 0.1}};
    return {};
}

struct ToneShape {
    Wave wave;
    int voices = 1;
    double detuneCents = 0;
    double sub = 0;
    double cutoff = 20000, cutoffStart = 20000, sweepSeconds = 0, resonance = 0;
    std::vector<std::array<double, 3>> formants;
    // Bell partials: ratio, level, decay (s; 0 = sustained).
    std::vector<std::array<double, 3>> partials;
    double drive = 0;
};

double FilterGain(const ToneShape& shape, double hz, double cutoff) {
    const double r = hz / cutoff;
    double g = 1.0 / std::sqrt(1.0 + r * r * r * r);  // 12 dB per octave
    if (shape.resonance > 0) {
        const double octaves = std::log2(r);
        g *= 1.0 + shape.resonance * std::exp(-octaves * octaves / (2 * 0.12 * 0.12));
    }
    if (!shape.formants.empty()) {
        double f = 0.04;
        for (const auto& [centre, width, gain] : shape.formants)
            f += gain * std::exp(-std::pow((hz - centre) / width, 2.0));
        g *= f;
    }
    return g;
}

// One cycle of the wave with every harmonic shaped by the filter at `cutoff`.
std::vector<double> CycleTable(const ToneShape& shape, double evalHz, int maxHarmonic, double cutoff) {
    static const std::vector<double> sine = [] {
        std::vector<double> t(kTableSize);
        for (int i = 0; i < kTableSize; ++i) t[i] = std::sin(kTwoPi * i / kTableSize);
        return t;
    }();
    std::vector<double> table(kTableSize + 1, 0.0);
    for (int n = 1; n <= std::min(maxHarmonic, kTableSize / 2 - 1); ++n) {
        const double a = shape.wave.Harmonic(n) * FilterGain(shape, evalHz * n, cutoff);
        if (std::fabs(a) < 1e-6) continue;
        // sin(2 pi n i / size) read from one table: n * i wraps exactly at the table size.
        for (int i = 0, k = 0; i < kTableSize; ++i, k = (k + n) & (kTableSize - 1)) table[i] += a * sine[k];
    }
    table[kTableSize] = table[0];
    return table;
}

double ReadTable(const std::vector<double>& table, double phase) {  // phase in cycles
    const double pos = (phase - std::floor(phase)) * kTableSize;
    const int i = static_cast<int>(pos);
    const double frac = pos - i;
    return table[i] + (table[i + 1] - table[i]) * frac;
}

// A zone's sample: an attack part in which brightness and partials settle, then one loop.
Sample ToneZone(const ToneShape& shape, int baseNote, Noise& noise, const std::string& name) {
    const double wantHz = NoteHz(baseNote);
    // Voices a whole cycle apart beat at kSampleRate / loop Hz: 32768 gives slow, chorus-like
    // beating; a single plain wave needs only a short loop.
    const bool wide = shape.voices > 1 || !shape.partials.empty() || !shape.formants.empty();
    const int loop = wide ? 32768 : 8192;
    int k0 = std::max(2, static_cast<int>(std::lround(wantHz * loop / kSampleRate / 2.0)) * 2);
    const double f0 = static_cast<double>(k0) * kSampleRate / loop;
    const double evalHz = f0 * std::pow(2.0, (kZoneSemitones - 1) / 24.0);
    const double topShift = std::pow(2.0, (kZoneSemitones - 1) / 12.0);
    const int maxHarmonic = std::max(1, static_cast<int>(kTopHz / (f0 * topShift)));

    double attackSeconds = 0;
    if (shape.sweepSeconds > 0 && shape.cutoffStart != shape.cutoff) attackSeconds = 3 * shape.sweepSeconds;
    // After three time constants a partial is held where it is; the volume envelope fades the rest.
    for (const auto& p : shape.partials) attackSeconds = std::max(attackSeconds, 3 * p[2]);
    attackSeconds = std::min(attackSeconds, 1.0);
    // Every oscillator repeats after `loop` samples, so any lead-in length keeps the loop seamless.
    const int attack = std::max(kLeadIn, static_cast<int>(attackSeconds * kSampleRate));

    const int stages = shape.sweepSeconds > 0 && shape.cutoffStart != shape.cutoff ? 24 : 1;
    std::vector<std::vector<double>> tables;
    for (int st = 0; st < stages; ++st) {
        const double p = stages == 1 ? 1.0 : static_cast<double>(st) / (stages - 1);
        const double cutoff = shape.cutoffStart * std::pow(shape.cutoff / shape.cutoffStart, p);
        tables.push_back(CycleTable(shape, evalHz, maxHarmonic, cutoff));
    }

    // Detuned voices: whole cycle counts around k0 spread over the requested cents, each voice
    // at least one cycle away from its neighbour so no two voices merge.
    std::vector<double> cycles, phases, levels;
    std::vector<int> offsets(shape.voices, 0);
    for (int v = 0; v < shape.voices; ++v) {
        const double spread = shape.voices == 1 ? 0.0 : static_cast<double>(v) / (shape.voices - 1) - 0.5;
        offsets[v] =
            static_cast<int>(std::lround(k0 * (std::pow(2.0, spread * shape.detuneCents / 1200.0) - 1)));
    }
    if (shape.detuneCents > 0) {
        const int mid =
            shape.voices / 2;  // upper half rises at least a cycle per voice, lower half mirrors it
        for (int v = (shape.voices + 1) / 2; v < shape.voices; ++v) {
            const int previous = v == mid && shape.voices % 2 == 0 ? 0 : offsets[v - 1];
            offsets[v] = std::max(offsets[v], previous + 1);
            offsets[shape.voices - 1 - v] = -offsets[v];
        }
    }
    for (int v = 0; v < shape.voices; ++v) {
        const double spread = shape.voices == 1 ? 0.0 : static_cast<double>(v) / (shape.voices - 1) - 0.5;
        cycles.push_back(k0 + offsets[v]);
        phases.push_back(shape.voices == 1 ? 0.0 : noise.Unit());
        levels.push_back(shape.voices == 1 ? 1.0 : 1.0 - 0.35 * std::fabs(spread) * 2);
    }

    std::vector<double> w(static_cast<size_t>(attack + loop));
    for (int i = 0; i < attack + loop; ++i) {
        const double tc = std::min(i, attack) / static_cast<double>(kSampleRate);
        double st = 0;
        if (stages > 1) {
            // The cutoff glides exponentially through the stage tables and lands on the last one
            // exactly where the loop starts.
            const double settled = std::exp(-static_cast<double>(attack) / kSampleRate / shape.sweepSeconds);
            const double remaining =
                std::max(0.0, (std::exp(-tc / shape.sweepSeconds) - settled) / (1.0 - settled));
            st = (1.0 - remaining) * (stages - 1);
        }
        const int s0 = static_cast<int>(st);
        const int s1 = std::min(s0 + 1, stages - 1);
        const double sf = st - s0;
        double v = 0;
        if (shape.partials.empty()) {
            for (size_t o = 0; o < cycles.size(); ++o) {
                const double ph = phases[o] + cycles[o] * static_cast<double>(i) / loop;
                const double a = ReadTable(tables[s0], ph), b = ReadTable(tables[s1], ph);
                v += levels[o] * (a + (b - a) * sf);
            }
            v /= std::sqrt(static_cast<double>(cycles.size()));
        } else {
            for (const auto& [ratio, level, decay] : shape.partials) {
                const int k = static_cast<int>(std::lround(ratio * k0));
                if (k * kSampleRate / static_cast<double>(loop) * topShift > kTopHz) continue;
                const double env = decay > 0 ? std::exp(-tc / decay) : 1.0;
                v += level * env * std::sin(kTwoPi * k * static_cast<double>(i) / loop);
            }
        }
        if (shape.sub > 0) v += shape.sub * std::sin(kTwoPi * (k0 / 2) * static_cast<double>(i) / loop);
        if (shape.drive > 0) v = std::tanh(shape.drive * v) / std::tanh(shape.drive);
        w[i] = v;
    }
    // A tiny fade-in removes the start click of waves that begin off zero; it lies before the loop.
    for (int i = 0; i < kLeadIn; ++i) w[i] *= static_cast<double>(i) / kLeadIn;

    Sample sample;
    sample.name = name;
    sample.data = ToPcm(w);
    sample.loopStart = static_cast<uint32_t>(attack);
    sample.loopLength = static_cast<uint32_t>(loop);
    TuneSample(sample, f0);
    return sample;
}

Envelope VolumeEnvelope(const Settings& s, int bpm) {
    const double tickMs = 2500.0 / bpm;
    const double attack = s.Num("attack", 0, 10000), decay = s.Num("decay", 0, 20000);
    const double sustain = s.Num("sustain", 0, 64), release = s.Num("release", 0, 20000);
    Envelope e;
    // Points fall on whole ticks; each point lies at least one tick after the one before.
    auto add = [&](double ticks, double value) {
        int tick = static_cast<int>(std::lround(ticks));
        if (!e.points.empty()) tick = std::max(tick, e.points.back().first + 1);
        const auto level = static_cast<uint16_t>(std::lround(std::clamp(value, 0.0, 64.0)));
        e.points.push_back({static_cast<uint16_t>(std::min(tick, 65535)), level});
    };
    const double attackTicks = attack / tickMs;
    if (attack > 0) {
        add(0, 0);
        add(attackTicks, 64);
    } else {
        add(0, 64);
    }
    if (decay > 0) {
        // Exponential-looking decay towards the sustain level.
        for (double f : {0.1, 0.25, 0.45, 0.7, 1.0})
            add(attackTicks + decay / tickMs * f,
                f < 1.0 ? sustain + (64 - sustain) * std::exp(-4.0 * f) : sustain);
    } else if (sustain < 64) {
        add(attackTicks + 1, sustain);
    }
    e.sustain = static_cast<int>(e.points.size()) - 1;
    const double from = e.points.back().first;
    const double level = e.points.back().second;
    const double releaseTicks = std::max(1.0, release / tickMs);
    for (double f : {0.2, 0.5, 1.0}) add(from + releaseTicks * f, f < 1.0 ? level * std::exp(-3.0 * f) : 0);
    return e;
}

ToneShape ShapeFrom(const Settings& s, const std::string& kind) {
    ToneShape shape;
    if (kind == "bell") {
        const double metal = s.Num("metal", 0, 1), ring = s.Num("ring", 10, 5000) / 1000.0;
        // Harmonic partials bend towards a struck bar's ratios as `metal` rises.
        const double harmonic[] = {1, 2, 3, 4, 5, 6};
        const double struck[] = {1, 2.76, 5.40, 8.93, 3.0, 4.07};
        const double level[] = {1.0, 0.55, 0.35, 0.22, 0.3, 0.18};
        for (int i = 0; i < 6; ++i)
            shape.partials.push_back({harmonic[i] + (struck[i] - harmonic[i]) * metal, level[i],
                                      i == 0 ? 0.0 : ring / (1.0 + 0.7 * i)});
        shape.partials.push_back({1.0005, 0.0, 0.0});
        shape.sub = s.Num("sub", 0, 2);
        return shape;
    }
    shape.wave.saw = s.Num("saw", 0, 2);
    shape.wave.square = s.Num("square", 0, 2);
    shape.wave.triangle = s.Num("tri", 0, 2);
    shape.wave.sine = s.Num("sine", 0, 2);
    shape.voices = static_cast<int>(s.Num("voices", 1, 9));
    shape.detuneCents = s.Num("detune", 0, 100);
    shape.sub = s.Num("sub", 0, 2);
    shape.cutoff = s.Num("cutoff", 50, 20000);
    shape.cutoffStart = s.Num("cutoff0", 0, 20000);
    if (shape.cutoffStart <= 0) shape.cutoffStart = shape.cutoff;
    shape.sweepSeconds = s.Num("sweep", 0, 5000) / 1000.0;
    shape.resonance = s.Num("reso", 0, 4);
    shape.drive = s.Num("drive", 0, 10);
    shape.formants = Formants(s.Text("vowel"));
    if (s.Text("vowel") != "none" && shape.formants.empty())
        throw GameError(FormatMessage("Unknown vowel '%s'", s.Text("vowel").c_str()));
    return shape;
}

}  // namespace

const std::vector<std::string>& InstrumentKinds() {
    static const std::vector<std::string> kinds = {"kick",  "snare", "clap",  "hat",  "openhat",
                                                   "crash", "tom",   "sweep", "bass", "lead",
                                                   "pad",   "pluck", "bell",  "choir"};
    return kinds;
}

bool IsDrumKind(const std::string& kind) {
    return kind == "kick" || kind == "snare" || kind == "clap" || kind == "hat" || kind == "openhat" ||
           kind == "crash" || kind == "tom" || kind == "sweep";
}

std::map<std::string, std::string> DefaultSettings(const std::string& kind) {
    std::map<std::string, std::string> d = {{"vol", "64"}, {"pan", "128"}, {"note", "c4"}};
    auto set = [&d](std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [k, v] : values) d[k] = v;
    };
    if (kind == "kick") {
        set({{"pitch", "150"},
             {"pitchend", "46"},
             {"bend", "32"},
             {"decay", "260"},
             {"click", "0.5"},
             {"drive", "1.6"},
             {"length", "520"}});
    } else if (kind == "tom") {
        set({{"pitch", "190"},
             {"pitchend", "105"},
             {"bend", "60"},
             {"decay", "240"},
             {"click", "0.2"},
             {"drive", "1.2"},
             {"length", "600"}});
    } else if (kind == "snare" || kind == "clap") {
        set({{"tone", "185"},
             {"tonemix", "0.55"},
             {"decay", kind == "clap" ? "90" : "120"},
             {"tail", "0.25"},
             {"taildecay", "260"},
             {"bright", kind == "clap" ? "1200" : "9000"},
             {"length", "520"}});
    } else if (kind == "hat" || kind == "openhat" || kind == "crash") {
        const bool hat = kind == "hat", open = kind == "openhat";
        set({{"decay", hat    ? "38"
                       : open ? "240"
                              : "900"},
             {"cutoff", hat    ? "7500"
                        : open ? "6500"
                               : "3800"},
             {"metal", hat    ? "0.55"
                       : open ? "0.6"
                              : "0.45"},
             {"attack", kind == "crash" ? "4" : "0"},
             {"length", hat    ? "140"
                        : open ? "800"
                               : "3000"}});
    } else if (kind == "sweep") {
        set({{"beats", "4"}, {"from", "300"}, {"to", "9000"}});
    } else if (kind == "bass" || kind == "lead" || kind == "pad" || kind == "pluck" || kind == "choir" ||
               kind == "bell") {
        set({{"lo", "c1"},
             {"hi", "c6"},
             {"attack", "2"},
             {"decay", "0"},
             {"sustain", "64"},
             {"release", "60"},
             {"fadeout", "0"},
             {"vibdepth", "0"},
             {"vibrate", "0"},
             {"vibsweep", "0"}});
        if (kind == "bell") {
            set({{"metal", "0.3"},
                 {"ring", "900"},
                 {"sub", "0"},
                 {"decay", "1500"},
                 {"sustain", "0"},
                 {"release", "300"},
                 {"lo", "c3"},
                 {"hi", "c7"}});
        } else {
            set({{"saw", "1"},
                 {"square", "0"},
                 {"tri", "0"},
                 {"sine", "0"},
                 {"voices", "1"},
                 {"detune", "0"},
                 {"sub", "0"},
                 {"cutoff", "20000"},
                 {"cutoff0", "0"},
                 {"sweep", "0"},
                 {"reso", "0"},
                 {"drive", "0"},
                 {"vowel", "none"}});
        }
        if (kind == "bass")
            set({{"lo", "c0"},
                 {"hi", "c4"},
                 {"saw", "1"},
                 {"square", "0.4"},
                 {"sub", "0.6"},
                 {"cutoff", "700"},
                 {"cutoff0", "2600"},
                 {"sweep", "90"},
                 {"reso", "0.6"},
                 {"release", "40"}});
        if (kind == "lead")
            set({{"lo", "c3"},
                 {"hi", "c7"},
                 {"voices", "2"},
                 {"detune", "12"},
                 {"square", "0.5"},
                 {"cutoff", "4200"},
                 {"attack", "6"},
                 {"release", "160"},
                 {"vibdepth", "3"},
                 {"vibrate", "6"},
                 {"vibsweep", "40"}});
        if (kind == "pad")
            set({{"lo", "c2"},
                 {"hi", "c6"},
                 {"voices", "5"},
                 {"detune", "22"},
                 {"cutoff", "1800"},
                 {"attack", "450"},
                 {"release", "900"}});
        if (kind == "pluck")
            set({{"lo", "c2"},
                 {"hi", "c7"},
                 {"square", "0.6"},
                 {"cutoff", "900"},
                 {"cutoff0", "7000"},
                 {"sweep", "70"},
                 {"decay", "500"},
                 {"sustain", "0"},
                 {"release", "120"}});
        if (kind == "choir")
            set({{"lo", "c2"},
                 {"hi", "c6"},
                 {"voices", "4"},
                 {"detune", "16"},
                 {"vowel", "a"},
                 {"cutoff", "5000"},
                 {"attack", "600"},
                 {"release", "1200"},
                 {"vibdepth", "2"},
                 {"vibrate", "4"},
                 {"vibsweep", "80"}});
    } else {
        throw GameError(FormatMessage("Unknown instrument kind '%s'", kind.c_str()));
    }
    return d;
}

double NoteHz(double note) {
    return 440.0 * std::pow(2.0, (note - 58.0) / 12.0);
}

void TuneSample(Sample& sample, double hz) {
    // Played with C-4 and no tuning, FT2 plays a sample at 8363 Hz.
    const double semis = 12.0 * std::log2(NoteHz(49) * kSampleRate / (8363.0 * hz));
    const long relative = std::lround(semis);
    if (relative < -96 || relative > 95) throw GameError("Sample is tuned out of range");
    sample.relativeNote = static_cast<int8_t>(relative);
    sample.finetune = static_cast<int8_t>(std::clamp(std::lround((semis - relative) * 128.0), -128L, 127L));
}

int ParseNoteName(const std::string& text) {
    static constexpr int kOffsets[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (text.size() < 2 || text.size() > 3 || text[0] < 'a' || text[0] > 'g') return 0;
    int semitone = kOffsets[text[0] - 'a'];
    size_t i = 1;
    if (text.size() == 3) {
        if (text[1] == '#')
            ++semitone;
        else if (text[1] == 'b')
            --semitone;
        else
            return 0;
        i = 2;
    }
    if (text[i] < '0' || text[i] > '7') return 0;
    const int note = (text[i] - '0') * 12 + semitone + 1;
    return note >= 1 && note <= 96 ? note : 0;
}

Instrument Synthesize(const InstrumentRecipe& recipe, int bpm) {
    const Settings s(recipe);
    Noise noise(recipe.name + "/" + recipe.kind);
    Instrument ins;
    ins.name = recipe.name;
    const auto volume = static_cast<uint8_t>(s.Num("vol", 0, 64));
    const auto pan = static_cast<uint8_t>(s.Num("pan", 0, 255));
    s.Num("note", 1, 96);  // checked here, used by the composer

    if (IsDrumKind(recipe.kind)) {
        std::vector<double> wave;
        const std::string& k = recipe.kind;
        if (k == "kick" || k == "tom") wave = Kick(s, noise);
        if (k == "snare" || k == "clap") wave = Snare(s, noise, k == "clap");
        if (k == "hat" || k == "openhat" || k == "crash") wave = Cymbal(s, noise);
        if (k == "sweep") wave = Sweep(s, noise, bpm);
        Sample sample;
        sample.name = recipe.name;
        sample.data = ToPcm(wave);
        TuneSample(sample, NoteHz(49));  // C-4 plays the sample as it was made
        sample.volume = volume;
        sample.panning = pan;
        ins.samples.push_back(sample);
        return ins;
    }

    const ToneShape shape = ShapeFrom(s, recipe.kind);
    const int lo = static_cast<int>(s.Num("lo", 1, 96)), hi = static_cast<int>(s.Num("hi", 1, 96));
    if (hi < lo) throw GameError(FormatMessage("Instrument '%s': hi is below lo", recipe.name.c_str()));
    const int zones = std::min(16, (hi - lo) / kZoneSemitones + 1);
    for (int z = 0; z < zones; ++z) {
        Sample sample = ToneZone(shape, lo + z * kZoneSemitones, noise, recipe.name);
        sample.volume = volume;
        sample.panning = pan;
        ins.samples.push_back(sample);
    }
    for (int note = 0; note < 96; ++note) {
        const int zone = std::clamp((note + 1 - lo) / kZoneSemitones, 0, zones - 1);
        ins.keymap[note] = static_cast<uint8_t>(note + 1 < lo ? 0 : zone);
    }
    ins.volumeEnvelope = VolumeEnvelope(s, bpm);
    ins.fadeout = static_cast<uint16_t>(s.Num("fadeout", 0, 4095));
    ins.vibratoDepth = static_cast<uint8_t>(s.Num("vibdepth", 0, 15));
    ins.vibratoRate = static_cast<uint8_t>(s.Num("vibrate", 0, 63));
    ins.vibratoSweep = static_cast<uint8_t>(s.Num("vibsweep", 0, 255));
    return ins;
}

}  // namespace xm
