#pragma once
// In-memory FastTracker 2 module: what vandrax-xm composes and what the XM writer serialises.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace xm {

constexpr int kMaxChannels = 32;
constexpr int kMaxRows = 256;
constexpr int kMaxOrders = 256;
constexpr int kMaxEnvelopePoints = 12;
constexpr uint8_t kNoteOff = 97;  // FT2's "key off" note; 1 = C-0, 49 = C-4, 96 = B-7

struct Cell {
    uint8_t note = 0;        // 0 none, 1..96 note, 97 key off
    uint8_t instrument = 0;  // 0 none, 1..128
    uint8_t volume = 0;      // volume column byte: 0 none, 0x10..0x50 sets 0..64
    uint8_t effect = 0;
    uint8_t param = 0;
    bool Empty() const { return note == 0 && instrument == 0 && volume == 0 && effect == 0 && param == 0; }
};

struct Pattern {
    std::string name;
    int rows = 64;
    int channels = 0;
    std::vector<Cell> cells;  // row-major: rows * channels
    Pattern() = default;
    Pattern(std::string patternName, int rowCount, int channelCount)
        : name(std::move(patternName)),
          rows(rowCount),
          channels(channelCount),
          cells(static_cast<size_t>(rowCount) * channelCount) {}
    Cell& At(int row, int channel) { return cells[static_cast<size_t>(row) * channels + channel]; }
    const Cell& At(int row, int channel) const {
        return cells[static_cast<size_t>(row) * channels + channel];
    }
};

struct Envelope {
    std::vector<std::pair<uint16_t, uint16_t>> points;  // (tick, value 0..64 or pan 0..64)
    int sustain = -1;                                   // point index, -1 none
    int loopStart = -1;
    int loopEnd = -1;
    bool On() const { return !points.empty(); }
};

struct Sample {
    std::string name;
    std::vector<int16_t> data;
    uint32_t loopStart = 0;   // in sample frames
    uint32_t loopLength = 0;  // 0: no loop
    uint8_t volume = 64;
    int8_t finetune = 0;  // 1/128 semitone
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;
    std::array<uint8_t, 96> keymap{};  // note index (0 = C-0) -> sample index
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
};

struct Module {
    std::string name;
    int channels = 8;
    int speed = 6;  // ticks per row
    int bpm = 125;  // a tick lasts 2.5 / bpm seconds
    int restart = 0;
    std::vector<uint8_t> orders;  // pattern index per order position
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Length of one pass through the order list, following the speed and tempo effects (Fxx) the way
// FT2 players do. Jumps, breaks and pattern delays are refused by the composer, so this is exact.
struct Timing {
    double seconds = 0;
    int rows = 0;
    std::vector<double> orderStartSeconds;  // where each order position begins
};
Timing ComputeTiming(const Module& module);

// Checks the limits of the format (channels, rows, orders, envelope points, notes); throws GameError.
void Validate(const Module& module);

// The whole .xm file.
std::vector<uint8_t> Write(const Module& module);

}  // namespace xm
