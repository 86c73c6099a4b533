#pragma once
// Instruments of our modules, synthesised from a handful of numbers: drums from noise and swept
// sines, tonal instruments from band-limited additive waves. Nothing is recorded or imported.

#include <map>
#include <string>
#include <vector>

#include "xm_module.h"

namespace xm {

constexpr int kSampleRate = 44100;

// One `instrument` line of a composition: a kind and its settings (numbers, or a vowel name).
struct InstrumentRecipe {
    std::string name;
    std::string kind;
    std::map<std::string, std::string> settings;
};

// Kinds known to the synthesiser: kick snare clap hat openhat crash tom sweep (one-shot drums),
// bass lead pad pluck bell choir (tonal, looped, with a volume envelope).
const std::vector<std::string>& InstrumentKinds();
bool IsDrumKind(const std::string& kind);

// The settings a kind accepts, with their defaults (every accepted key is listed).
std::map<std::string, std::string> DefaultSettings(const std::string& kind);

// Builds the instrument; `bpm` turns envelope times in milliseconds into ticks. Throws GameError
// for an unknown kind, an unknown setting or a value out of range.
Instrument Synthesize(const InstrumentRecipe& recipe, int bpm);

// Frequency in Hz of an XM note (1 = C-0, 49 = C-4, 58 = A-4 = 440 Hz).
double NoteHz(double note);

// Relative note and finetune that make a sample holding a tone of `hz` (recorded at kSampleRate)
// sound at that pitch when it is played with the matching note.
void TuneSample(Sample& sample, double hz);

// Parses "c4", "c#4", "db4", ... into an XM note number; 0 when the text is not a note.
int ParseNoteName(const std::string& text);

}  // namespace xm
