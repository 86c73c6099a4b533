#include "synth.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include "base/errors.h"

namespace sfx {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// Short ramps that keep gates and cut-off tails from clicking.
constexpr double kGateFade = 0.002;
constexpr double kEndFade = 0.003;
constexpr double kMinAttack = 0.0005;
// Loops are rendered this long before the period that is kept, so that filters, delays and
// reverbs have settled into the periodic state and the last sample leads into the first.
constexpr double kLoopWarmUp = 4.0;
constexpr double kDcBlockHz = 10;
constexpr double kStartSearch = 0.02;

uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Unit-interval value of one cycle for the tremolo shapes; 0 at the cycle start for most.
double Shape01(LfoShape shape, double phase) {
    switch (shape) {
        case LfoShape::Sine:
            return 0.5 - 0.5 * std::cos(kTwoPi * phase);
        case LfoShape::Triangle:
            return 1 - std::abs(2 * phase - 1);
        case LfoShape::Square:
            return phase < 0.5 ? 1 : 0;
        case LfoShape::Saw:
            return 1 - phase;
        case LfoShape::Bump:
            return std::pow(std::sin(std::numbers::pi * phase), 4);
        case LfoShape::Hit: {
            // A firing stroke: quick rise, then a decay that lands on zero at the cycle's end.
            constexpr double kRise = 0.06;
            double rise = phase < kRise ? phase / kRise : 1;
            return rise * std::pow(1 - phase, 3) / std::pow(1 - kRise, 3);
        }
        case LfoShape::Flat:
            return 1;  // only the jitter moves it
    }
    return 0;
}

// The vibrato shapes swing both ways.
double ShapeBipolar(LfoShape shape, double phase) {
    if (shape == LfoShape::Sine) return std::sin(kTwoPi * phase);
    return 2 * Shape01(shape, phase) - 1;
}

double PolyBlep(double phase, double step) {
    if (step <= 0) return 0;
    if (phase < step) {
        double t = phase / step;
        return t + t - t * t - 1;
    }
    if (phase > 1 - step) {
        double t = (phase - 1) / step;
        return t * t + t + t + 1;
    }
    return 0;
}

double Wrap(double phase) {
    return phase - std::floor(phase);
}

// The same idea one integral up: rounds the corners of a triangle. `distance` is in samples
// from the corner; the result is for a slope change of 1 per sample.
double PolyBlamp(double distance) {
    double x = std::abs(distance);
    return x < 1 ? (1 - x) * (1 - x) * (1 - x) / 6 : 0;
}

double Triangle(double phase, double step) {
    // Falls from 0 to -1 at a quarter cycle, rises to +1 at three quarters: starts at zero.
    double value = 1 - 4 * std::abs(Wrap(phase + 0.75) - 0.5);
    if (step <= 0) return value;
    auto distance = [&](double corner) { return (Wrap(phase - corner + 0.5) - 0.5) / step; };
    return value + 8 * step * (PolyBlamp(distance(0.25)) - PolyBlamp(distance(0.75)));
}

// Time base shared by voices and the master chain: in a loop, time runs around the period.
struct Timeline {
    int sampleRate;
    int64_t period;  // samples of the sound (one loop period)
    int64_t total;   // samples rendered, warm-up included
    bool loop;
    double length;        // seconds of the sound
    int64_t preroll = 0;  // one-shots: samples rendered before the sound's start
    double Time(int64_t n) const {
        return loop ? static_cast<double>(n % period) / sampleRate
                    : static_cast<double>(n - preroll) / sampleRate;
    }
    // A loop keeps an LFO whole: a whole number of its cycles fits the period.
    double LfoRate(double rate) const {
        if (!loop || rate <= 0) return rate;
        return std::max(1.0, std::round(rate * length)) / length;
    }
};

class Processors {
public:
    Processors(const std::vector<Processor>& chain, const Timeline& timeline) : timeline_(timeline) {
        for (const Processor& processor : chain) states_.push_back(State(processor));
        for (State& state : states_) state.Start(timeline_.sampleRate);
    }

    // Runs the chain over samples [from, end) of `buffer`; `localTime` maps a sample to the sweep time.
    template <typename LocalTime>
    void Run(std::vector<double>& buffer, int64_t from, int64_t end, LocalTime localTime) {
        for (State& state : states_) {
            for (int64_t n = from; n < end; ++n) buffer[n] = state.Process(buffer[n], n, localTime);
        }
    }

private:
    struct State {
        explicit State(const Processor& p) : processor(&p) {}
        const Processor* processor;
        std::unique_ptr<Biquad> biquad;
        double onePole = 0;
        std::vector<double> line;
        size_t position = 0;
        // Reverb: four damped combs into two all-passes.
        std::vector<std::vector<double>> combs, allPasses;
        std::vector<size_t> combAt, allPassAt;
        std::vector<double> combFilter;
        double lastCutoff = -1;
        int sampleRate = 0;

        void Start(int rate) {
            sampleRate = rate;
            const Processor& p = *processor;
            switch (p.kind) {
                case ProcessorKind::Lowpass:
                    biquad = std::make_unique<Biquad>(Biquad::Type::Lowpass, p.q > 0 ? p.q : 0.7071, rate);
                    break;
                case ProcessorKind::Highpass:
                    biquad = std::make_unique<Biquad>(Biquad::Type::Highpass, p.q > 0 ? p.q : 0.7071, rate);
                    break;
                case ProcessorKind::Bandpass:
                    biquad = std::make_unique<Biquad>(Biquad::Type::Bandpass, p.q > 0 ? p.q : 1.0, rate);
                    break;
                case ProcessorKind::Delay:
                    line.assign(std::max<size_t>(1, std::lround(p.time * rate)), 0.0);
                    break;
                case ProcessorKind::Reverb: {
                    static constexpr int kCombs[] = {1116, 1188, 1277, 1356};
                    static constexpr int kAllPasses[] = {556, 441};
                    double scale = rate / 44100.0 * (0.6 + 0.6 * p.amount);
                    for (int length : kCombs)
                        combs.emplace_back(std::max(1L, std::lround(length * scale)), 0.0);
                    for (int length : kAllPasses) {
                        allPasses.emplace_back(std::max(1L, std::lround(length * rate / 44100.0)), 0.0);
                    }
                    combAt.assign(combs.size(), 0);
                    allPassAt.assign(allPasses.size(), 0);
                    combFilter.assign(combs.size(), 0.0);
                    break;
                }
                default:
                    break;
            }
        }

        template <typename LocalTime>
        double Process(double x, int64_t n, LocalTime& localTime) {
            const Processor& p = *processor;
            switch (p.kind) {
                case ProcessorKind::Lowpass:
                case ProcessorKind::Highpass:
                case ProcessorKind::Bandpass: {
                    // A sweep moves the cutoff on every sample: updating on a coarser grid would
                    // shift against a loop's period and break its repeat.
                    if (lastCutoff < 0 || !p.cutoff.IsConstant()) {
                        double cutoff = p.cutoff.At(localTime(n));
                        if (cutoff != lastCutoff) biquad->SetCutoff(cutoff);
                        lastCutoff = cutoff;
                    }
                    return biquad->Process(x);
                }
                case ProcessorKind::Lowpass1:
                case ProcessorKind::Highpass1: {
                    double a = 1 - std::exp(-kTwoPi * p.cutoff.At(0) / sampleRate);
                    onePole += a * (x - onePole);
                    return p.kind == ProcessorKind::Lowpass1 ? onePole : x - onePole;
                }
                case ProcessorKind::Drive:
                    return std::tanh(p.amount * x) / std::tanh(p.amount);
                case ProcessorKind::Gain:
                    return x * std::pow(10.0, p.amount / 20);
                case ProcessorKind::Delay: {
                    double delayed = line[position];
                    line[position] = x + p.feedback * delayed;
                    position = (position + 1) % line.size();
                    return x + p.mix * delayed;
                }
                case ProcessorKind::Reverb: {
                    double feedback = 0.7 + 0.25 * p.amount;
                    double wet = 0;
                    for (size_t i = 0; i < combs.size(); ++i) {
                        double out = combs[i][combAt[i]];
                        combFilter[i] = out * 0.7 + combFilter[i] * 0.3;  // damping: highs die first
                        combs[i][combAt[i]] = x + feedback * combFilter[i];
                        combAt[i] = (combAt[i] + 1) % combs[i].size();
                        wet += out;
                    }
                    wet *= 0.25;
                    for (size_t i = 0; i < allPasses.size(); ++i) {
                        double buffered = allPasses[i][allPassAt[i]];
                        double out = buffered - 0.5 * wet;
                        allPasses[i][allPassAt[i]] = wet + 0.5 * buffered;
                        allPassAt[i] = (allPassAt[i] + 1) % allPasses[i].size();
                        wet = out;
                    }
                    return x + p.mix * wet;
                }
            }
            return x;
        }
    };

    const Timeline& timeline_;
    std::vector<State> states_;
};

class VoiceRenderer {
public:
    VoiceRenderer(const Voice& voice, const Timeline& timeline) : voice_(voice), timeline_(timeline) {
        rendered_ = voice.length + (voice.envelope.kind == EnvelopeKind::Adsr ? voice.envelope.release : 0);
        vibratoRate_ = timeline.LfoRate(voice.vibrato.rate);
        tremoloRate_ = timeline.LfoRate(voice.tremolo.rate);
        fullLoop_ = timeline.loop && voice.start == 0 && rendered_ >= timeline.length - 1e-9;
        // With a pre-roll, a voice that opens the sound has been sounding for a while already.
        opening_ = !timeline.loop && timeline.preroll > 0 && voice.start == 0;
        pointsCurve_ = Sweep{voice.envelope.points, Curve::Linear};
        if (timeline.loop) {
            tremoloCycles_ = std::max<int64_t>(1, std::llround(tremoloRate_ * timeline.length));
        }
    }

    // Adds this voice into `mix`.
    void Render(std::vector<double>& mix) {
        const int rate = timeline_.sampleRate;
        int64_t from = 0;
        int64_t sourceEnd = timeline_.total;
        if (!timeline_.loop) {
            from = opening_ ? 0 : std::llround(voice_.start * rate) + timeline_.preroll;
            sourceEnd = std::min<int64_t>(
                timeline_.total, std::llround((voice_.start + rendered_) * rate) + timeline_.preroll);
        }
        if (timeline_.loop) PreparePeriodicPhase();

        std::vector<double> buffer(timeline_.total, 0.0);
        double phase = 0;
        int64_t cycles = 0;
        for (int64_t n = from; n < sourceEnd; ++n) {
            double local = std::max(0.0, LocalTime(n));
            if (local >= rendered_) continue;
            double step = 0;
            if (timeline_.loop) {
                int64_t m = n % timeline_.period;
                int64_t whole = (n / timeline_.period) * periodCycles_;
                double within = periodicPhase_[m];
                cycles = whole + static_cast<int64_t>(std::floor(within));
                phase = Wrap(within);
                step = periodicPhase_[m + 1] - within;
            } else {
                step = Frequency(n, local) / rate;
            }
            double value = OscillatorAt(phase, step, cycles, n) * EnvelopeAt(local) * Tremolo(n);
            buffer[n] = value;
            if (!timeline_.loop) {
                phase += step;
                if (phase >= 1) {
                    cycles += static_cast<int64_t>(std::floor(phase));
                    phase = Wrap(phase);
                }
            }
        }
        Processors chain(voice_.chain, timeline_);
        chain.Run(buffer, from, timeline_.total, [this](int64_t n) { return LocalTime(n); });
        for (int64_t n = from; n < timeline_.total; ++n) mix[n] += buffer[n];
    }

private:
    double LocalTime(int64_t n) const {
        double t = timeline_.Time(n) - voice_.start;
        if (timeline_.loop && t < 0) t += timeline_.length;
        return t;
    }

    double Frequency(int64_t n, double local) const {
        double hz = voice_.frequency.At(local);
        if (vibratoRate_ > 0) {
            double lfo = ShapeBipolar(voice_.vibrato.shape, Wrap(vibratoRate_ * n / timeline_.sampleRate));
            hz *= std::pow(2.0, voice_.vibrato.depth * lfo / 12);
        }
        return hz;
    }

    // In a loop the oscillator must run a whole number of cycles per period, or the join clicks.
    // The pitch curve is scaled by the few cents that takes, and the phase is read from a table
    // so that every period repeats it exactly.
    void PreparePeriodicPhase() {
        const int64_t period = timeline_.period;
        periodicPhase_.assign(period + 1, 0.0);
        if (!voice_.hasFrequency) {
            periodCycles_ = 0;
            return;
        }
        double sum = 0;
        for (int64_t m = 0; m < period; ++m) {
            periodicPhase_[m] = sum;
            sum += Frequency(m, LocalTime(m)) / timeline_.sampleRate;
        }
        periodCycles_ = std::max<int64_t>(1, std::llround(sum));
        double scale = periodCycles_ / sum;
        for (int64_t m = 0; m < period; ++m) periodicPhase_[m] *= scale;
        periodicPhase_[period] = static_cast<double>(periodCycles_);
    }

    double OscillatorAt(double phase, double step, int64_t cycles, int64_t n) const {
        switch (voice_.waveform) {
            case Waveform::Sine:
            case Waveform::Saw:
            case Waveform::Square:
            case Waveform::Triangle:
                return Oscillator(voice_.waveform, phase, step, voice_.duty);
            case Waveform::Noise:
                // Noise given a pitch repeats every cycle: a rasp with the pitch of a buzz.
                if (voice_.hasFrequency && step > 0) return NoiseAt(voice_.seed, std::llround(phase / step));
                return NoiseAt(voice_.seed, timeline_.loop ? n % timeline_.period : n);
            case Waveform::StepNoise:
                return NoiseAt(voice_.seed, CycleIndex(cycles));
            case Waveform::SmoothNoise: {
                double a = NoiseAt(voice_.seed, CycleIndex(cycles));
                double b = NoiseAt(voice_.seed, CycleIndex(cycles + 1));
                double f = 0.5 - 0.5 * std::cos(std::numbers::pi * phase);
                return a + (b - a) * f;
            }
        }
        return 0;
    }

    int64_t CycleIndex(int64_t cycles) const {
        return timeline_.loop ? ((cycles % periodCycles_) + periodCycles_) % periodCycles_ : cycles;
    }

    double EnvelopeAt(double local) const {
        if (fullLoop_) return 1;
        const Envelope& e = voice_.envelope;
        double value = 1;
        switch (e.kind) {
            case EnvelopeKind::Gate:
                value = opening_ ? 1 : std::min(1.0, local / kGateFade);
                break;
            case EnvelopeKind::Adsr: {
                auto held = [&e, this](double t) {
                    double attack = opening_ ? 0 : std::max(e.attack, kMinAttack);
                    if (attack == 0 && t <= 0) return 1.0;
                    if (t < attack) return t / attack;
                    if (t < attack + e.decay) return 1 - (1 - e.sustain) * (t - attack) / e.decay;
                    return e.sustain;
                };
                if (local < voice_.length) {
                    value = held(local);
                } else {
                    double release = std::max(e.release, kGateFade);
                    value = held(voice_.length) * std::max(0.0, 1 - (local - voice_.length) / release);
                }
                break;
            }
            case EnvelopeKind::Percussive: {
                double attack = opening_ ? 0 : std::max(e.attack, kMinAttack);
                value = local < attack ? local / attack : std::exp(-(local - attack) / e.decay);
                break;
            }
            case EnvelopeKind::Points:
                value = pointsCurve_.At(local);
                break;
        }
        double fade =
            e.kind == EnvelopeKind::Percussive || e.kind == EnvelopeKind::Points ? kEndFade : kGateFade;
        return value * std::clamp((rendered_ - local) / fade, 0.0, 1.0);
    }

    double Tremolo(int64_t n) const {
        const Lfo& lfo = voice_.tremolo;
        if (tremoloRate_ <= 0) return 1;
        double position = tremoloRate_ * n / timeline_.sampleRate;
        double shape = Shape01(lfo.shape, Wrap(position));
        if (lfo.jitter > 0) {
            int64_t cycle = static_cast<int64_t>(std::floor(position));
            if (timeline_.loop) cycle %= tremoloCycles_;
            double spread = 0.5 + 0.5 * NoiseAt(voice_.seed ^ 0x5EED, cycle);
            shape *= 1 - lfo.jitter * spread;
        }
        return 1 - lfo.depth + lfo.depth * shape;
    }

    const Voice& voice_;
    const Timeline& timeline_;
    double rendered_ = 0;
    double vibratoRate_ = 0, tremoloRate_ = 0;
    bool fullLoop_ = false;
    bool opening_ = false;
    Sweep pointsCurve_;
    int64_t tremoloCycles_ = 1;
    std::vector<double> periodicPhase_;
    int64_t periodCycles_ = 1;
};

}  // namespace

Biquad::Biquad(Type type, double q, double sampleRate) : type_(type), q_(q), sampleRate_(sampleRate) {}

void Biquad::SetCutoff(double hz) {
    hz = std::clamp(hz, 10.0, 0.45 * sampleRate_);
    double w = kTwoPi * hz / sampleRate_;
    double cosW = std::cos(w);
    double alpha = std::sin(w) / (2 * q_);
    double a0 = 1 + alpha;
    switch (type_) {
        case Type::Lowpass:
            b0_ = (1 - cosW) / 2;
            b1_ = 1 - cosW;
            b2_ = (1 - cosW) / 2;
            break;
        case Type::Highpass:
            b0_ = (1 + cosW) / 2;
            b1_ = -(1 + cosW);
            b2_ = (1 + cosW) / 2;
            break;
        case Type::Bandpass:  // 0 dB at the centre
            b0_ = alpha;
            b1_ = 0;
            b2_ = -alpha;
            break;
    }
    a1_ = -2 * cosW / a0;
    a2_ = (1 - alpha) / a0;
    b0_ /= a0;
    b1_ /= a0;
    b2_ /= a0;
}

double Biquad::Process(double x) {
    double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y;
}

double Oscillator(Waveform waveform, double phase, double step, double duty) {
    switch (waveform) {
        case Waveform::Sine:
            return std::sin(kTwoPi * phase);
        case Waveform::Saw:
            return 2 * phase - 1 - PolyBlep(phase, step);
        case Waveform::Square: {
            double value =
                (phase < duty ? 1.0 : -1.0) + PolyBlep(phase, step) - PolyBlep(Wrap(phase + 1 - duty), step);
            return value - (2 * duty - 1);  // no DC for uneven duty cycles
        }
        case Waveform::Triangle:
            return Triangle(phase, step);
        default:
            return 0;  // the noises are not a function of the phase alone
    }
}

double NoiseAt(uint64_t seed, int64_t index) {
    uint64_t bits = SplitMix(SplitMix(seed) ^ static_cast<uint64_t>(index));
    return static_cast<double>(bits >> 11) * (2.0 / 9007199254740992.0) - 1;
}

Sound Render(const Recipe& recipe) {
    Timeline timeline;
    timeline.sampleRate = recipe.sampleRate;
    timeline.loop = recipe.loop;
    const int64_t block = recipe.loop ? recipe.loopBlock : 1;
    timeline.period = block * std::max<int64_t>(1, std::llround(recipe.length * recipe.sampleRate / block));
    timeline.length = static_cast<double>(timeline.period) / recipe.sampleRate;
    const int64_t search = std::llround(kStartSearch * recipe.sampleRate);
    if (recipe.loop) {
        int64_t warmPeriods = static_cast<int64_t>(std::ceil(kLoopWarmUp / timeline.length));
        timeline.total = timeline.period * (warmPeriods + 1) + std::min(search, timeline.period);
    } else if (recipe.preroll > 0) {
        timeline.preroll = std::llround(recipe.preroll * recipe.sampleRate);
        timeline.total = timeline.preroll + timeline.period + search;
    } else {
        timeline.total = timeline.period;
    }

    std::vector<double> mix(timeline.total, 0.0);
    for (const Voice& voice : recipe.voices) VoiceRenderer(voice, timeline).Render(mix);

    Processors master(recipe.master, timeline);
    master.Run(mix, 0, timeline.total, [&timeline](int64_t n) { return timeline.Time(n); });
    // Distortion and uneven waves leave an offset; a DC step at play start is a click.
    double dc = 0;
    double a = 1 - std::exp(-kTwoPi * kDcBlockHz / recipe.sampleRate);
    for (double& x : mix) {
        dc += a * (x - dc);
        x -= dc;
    }

    Sound sound;
    sound.sampleRate = recipe.sampleRate;
    sound.loop = recipe.loop;
    // A loop, or a one-shot that is already sounding at its start, begins where it is quietest
    // near the top, so that starting it from silence does not click. Any rotation of a periodic
    // sound is the same loop; a pre-rolled one-shot simply starts a little later.
    auto quietest = [&mix, search](int64_t from, int64_t count) {
        int64_t best = from;
        for (int64_t i = from + 1; i < from + std::min(search, count); ++i) {
            if (std::abs(mix[i]) < std::abs(mix[best])) best = i;
        }
        return best;
    };
    std::vector<double> kept;
    if (recipe.loop) {
        const int64_t period = timeline.period;
        int64_t best = quietest(timeline.total - period - std::min(search, period), period);
        kept.assign(mix.begin() + best, mix.begin() + best + period);
        // The period kept must be the same as the one before it, or the loop clicks where it
        // joins (an echo or reverb too long to settle, say).
        double peak = 0, drift = 0;
        for (int64_t n = best; n < best + period; ++n) {
            peak = std::max(peak, std::abs(mix[n]));
            drift = std::max(drift, std::abs(mix[n] - mix[n - period]));
        }
        if (drift > 1e-3 * peak) {
            throw GameError(recipe.name + ": the loop does not settle into a repeat (" +
                            std::to_string(drift / std::max(peak, 1e-12)) +
                            " of its peak changes each period)");
        }
    } else {
        int64_t best = timeline.preroll > 0 ? quietest(timeline.preroll, search) : 0;
        kept.assign(mix.begin() + best, mix.begin() + best + timeline.period);
    }
    if (!recipe.loop) {
        int64_t fade = std::min<int64_t>(timeline.period, std::llround(kEndFade * recipe.sampleRate));
        for (int64_t i = 0; i < fade; ++i) kept[timeline.period - 1 - i] *= static_cast<double>(i) / fade;
    }
    double peak = 0;
    for (double x : kept) peak = std::max(peak, std::abs(x));
    if (peak < 1e-9) throw GameError(recipe.name + ": the recipe renders silence");
    sound.samples.reserve(kept.size());
    for (double x : kept) sound.samples.push_back(static_cast<float>(x / peak));
    double gainDb = recipe.peakDb;
    if (recipe.byLoudness) {
        gainDb =
            std::min(kMaxPeakDb, recipe.loudnessDb - LoudnessDb(sound.samples, sound.sampleRate, sound.loop));
    }
    float scale = static_cast<float>(std::pow(10.0, std::min(gainDb, kMaxPeakDb) / 20));
    for (float& x : sound.samples) x *= scale;
    return sound;
}

double LoudnessDb(const std::vector<float>& samples, int sampleRate, bool loop) {
    const size_t count = samples.size();
    if (count == 0) return -HUGE_VAL;
    size_t window = std::clamp<size_t>(std::lround(kLoudnessWindow * sampleRate), 1, count);
    // Running sum of squares; a loop wraps around, a one-shot is measured as it stands.
    size_t starts = loop ? count : count - window + 1;
    double sum = 0;
    for (size_t i = 0; i < window; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    double best = sum;
    for (size_t start = 1; start < starts; ++start) {
        double out = samples[start - 1];
        double in = samples[(start + window - 1) % count];
        sum += in * in - out * out;
        best = std::max(best, sum);
    }
    double rms = std::sqrt(std::max(best, 0.0) / window);
    return rms > 0 ? 20 * std::log10(rms) : -HUGE_VAL;
}

double PeakDb(const std::vector<float>& samples) {
    float peak = 0;
    for (float x : samples) peak = std::max(peak, std::abs(x));
    return peak > 0 ? 20 * std::log10(static_cast<double>(peak)) : -HUGE_VAL;
}

std::vector<int16_t> ToPcm16(const std::vector<float>& samples) {
    std::vector<int16_t> pcm;
    pcm.reserve(samples.size());
    for (float x : samples) {
        long value = std::lround(static_cast<double>(x) * 32767.0);
        pcm.push_back(static_cast<int16_t>(std::clamp(value, -32768L, 32767L)));
    }
    return pcm;
}

}  // namespace sfx
