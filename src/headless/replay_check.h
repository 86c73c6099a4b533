#pragma once
// A replay played headless as fast as the machine goes: the game's own core on the fake
// platform (no window, no drawing, no sound), from the replay's start to its last step. What
// vandrax-sim --replay and the score server use.

#include <cstdint>
#include <filesystem>
#include <string>

#include "app/replay.h"

struct ReplayOutcome {
    ReplayEnd end;         // how the game played from the replay ended
    bool matches = false;  // the same end as the replay recorded
    std::string error;     // set when the replay could not be played (other version or data)
};

// Holds the game's data (its packs, read once) and plays replays on it. Not thread-safe: one
// checker a thread.
class ReplayChecker {
public:
    // dataRoot holds Data/ as the game's own; version is the game version replays must carry.
    ReplayChecker(std::filesystem::path dataRoot, std::string version);
    ~ReplayChecker();
    ReplayChecker(const ReplayChecker&) = delete;
    ReplayChecker& operator=(const ReplayChecker&) = delete;

    // Plays the replay to its end. A replay of another version or other data is not played:
    // `error` says which. maxFrames bounds the work (frames run; 0: none beyond the replay's).
    ReplayOutcome Play(const Replay& replay, int64_t maxFrames = 0);
    // The identity of the data it plays on (the packs hashed once). Throws GameError when a pack
    // cannot be read.
    const std::array<uint8_t, 32>& DataId();

private:
    struct Impl;
    Impl* impl_;
};
