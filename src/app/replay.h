#pragma once
// A recorded game: how it began (the generator's state, the clan, what the player held), every
// thing that reached it in the order it happened (each frame with its lag count and the keys down
// during it, each window timer firing, each input event), and how it ended. Played from the same
// start on the same data, it is the same game, frame for frame.
//
// The file: "VANDRAXR", a format byte, the size of what follows unpacked (32 bits), and the rest
// packed by zlib. Unpacked: the start, the steps (a byte each for most frames), the end.

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/input_states.h"
#include "app/random.h"
#include "base/input.h"

struct ReplayStart {
    std::string version;             // of the game that recorded it
    std::array<uint8_t, 32> data{};  // the identity of the pictures' packs it ran on
    RandomState random;              // the generator as the game began
    int32_t clan = 1;
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    bool hoverArmed = false;
    bool focused = true;
    PadState pad;
    int64_t startedAt = 0;  // Unix seconds; for the player's lists, not the game
};

struct ReplayStep {
    enum class Kind : uint8_t { Frame, Timer, Keys, Input };
    Kind kind = Kind::Frame;
    int32_t lag = 0;        // Frame: its lag count
    int32_t timer = 0;      // Timer: which of the window's timers fired (0..4)
    std::bitset<256> keys;  // Keys: the game's key codes held down from now on
    InputEvent input;       // Input
};

struct ReplayEnd {
    int32_t score = 0;
    int32_t level = 0;
    int32_t lives = 0;
    int64_t frames = 0;
    bool ended = false;  // the game reached its game over (not quit, not cut short)
    bool operator==(const ReplayEnd&) const = default;
};

struct Replay {
    ReplayStart start;
    std::vector<ReplayStep> steps;
    ReplayEnd end;
};

// What a reader accepts. The frames' bound is play time: the lag counts added up, in the frame
// timer's 5 ms steps (four hours by default). The steps' bound keeps what a reader holds in memory
// (about 100 bytes a step) bounded whatever the file says: four hours of play take about a million
// steps.
struct ReplayLimits {
    size_t maxFileBytes = 16u << 20;
    size_t maxUnpackedBytes = 64u << 20;
    int64_t maxPlayMs = 4LL * 3600 * 1000;
    uint64_t maxSteps = 4'000'000;
};

constexpr std::string_view kReplayExtension = ".vxr";

std::vector<uint8_t> EncodeReplay(const Replay& replay);
// Throws GameError with the player's message: not a replay, cut off or damaged, too large,
// longer than the bound.
Replay DecodeReplay(std::span<const uint8_t> bytes, const ReplayLimits& limits = {});
// Reads a replay file; its name is in every message.
Replay ReadReplayFile(const std::string& path, const ReplayLimits& limits = {});
// Written whole or not at all (a temporary beside it, then renamed). Throws GameError.
void WriteReplayFile(const std::string& path, const Replay& replay);

// The identity of the data a replay ran on: SHA-256 of the packs' bytes, in the order given.
// Throws GameError naming a pack that cannot be read.
std::array<uint8_t, 32> DataIdentity(const std::vector<std::string>& packPaths);
std::string HexIdentity(const std::array<uint8_t, 32>& identity);
