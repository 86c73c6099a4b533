#pragma once
// A sound-effect recipe: what assets/sound/*.sfx says, parsed into plain data.
// The text format is described in assets/sound/README.md.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sfx {

enum class Waveform { Sine, Square, Saw, Triangle, Noise, StepNoise, SmoothNoise };
enum class LfoShape { Sine, Triangle, Square, Saw, Bump, Hit, Flat };
enum class Curve { Linear, Exponential };

struct Breakpoint {
    double time = 0;  // seconds from the start of the voice (or of the sound, for master sweeps)
    double value = 0;
};

// A value that moves through breakpoints and holds the last one afterwards.
struct Sweep {
    std::vector<Breakpoint> points;
    Curve curve = Curve::Exponential;
    double At(double time) const;
    bool IsConstant() const { return points.size() < 2; }
};

struct Lfo {
    double rate = 0;   // Hz; 0 = off
    double depth = 0;  // semitones for vibrato, 0..1 for tremolo
    LfoShape shape = LfoShape::Sine;
    double jitter = 0;  // tremolo only: random spread of each cycle's strength, 0..1
};

enum class EnvelopeKind { Gate, Adsr, Percussive, Points };

struct Envelope {
    EnvelopeKind kind = EnvelopeKind::Gate;
    double attack = 0, decay = 0, sustain = 1, release = 0;  // Adsr; Percussive uses attack and decay
    std::vector<Breakpoint> points;                          // Points
};

enum class ProcessorKind { Lowpass, Highpass, Bandpass, Lowpass1, Highpass1, Drive, Gain, Delay, Reverb };

struct Processor {
    ProcessorKind kind = ProcessorKind::Gain;
    Sweep cutoff;                            // filters
    double q = 0;                            // biquads; 0 = the filter's default
    double amount = 0;                       // drive amount, gain in dB, reverb size
    double time = 0, feedback = 0, mix = 0;  // delay; reverb uses mix
    int line = 0;                            // where it was written, for messages
};

struct Voice {
    std::string name;
    double start = 0;    // seconds
    double length = -1;  // gate length in seconds; < 0 = to the end of the sound
    Waveform waveform = Waveform::Sine;
    double duty = 0.5;  // square wave
    Sweep frequency;
    Lfo vibrato;
    Lfo tremolo;
    Envelope envelope;
    std::vector<Processor> chain;
    uint64_t seed = 0;
    bool hasFrequency = false;
    int line = 0;
};

struct Recipe {
    std::string name;  // for messages
    int sampleRate = 44100;
    double length = -1;  // seconds; < 0 = up to the end of the last voice
    bool loop = false;   // the sound repeats seamlessly: its length is one period
    int loopBlock = 1;   // the period is a whole number of blocks of this many samples
    double preroll = 0;  // one-shots: seconds the opening voices sound before the start
    // Level: the peak is set to peakDb, or, when loudnessDb is given, the loudest 50 ms are set
    // to that RMS level; the peak never goes above kMaxPeakDb either way.
    double peakDb = -1;
    bool byLoudness = false;
    double loudnessDb = 0;
    uint64_t seed = 1;
    std::vector<Voice> voices;  // notes already expanded into one voice each
    std::vector<Processor> master;
};

// Parses recipe text; `name` only labels the error messages ("boom.sfx:12: ...").
Recipe ParseRecipe(std::string_view text, const std::string& name);
Recipe LoadRecipe(const std::string& path);

// "A4" -> 440, "C#5", "Bb3"; plain numbers are Hz. Throws GameError on anything else.
double ParsePitch(std::string_view token);

// The highest peak of any effect: every one leaves at least 1 dB of headroom.
inline constexpr double kMaxPeakDb = -1.0;
// The window over which loudness is measured: about what the ear integrates for a hit.
inline constexpr double kLoudnessWindow = 0.05;

}  // namespace sfx
