#pragma once
// A replay read a step at a time, as the main window plays it on the game screen.

#include <cstddef>

#include "app/replay.h"

class ReplayCursor {
public:
    explicit ReplayCursor(Replay replay) : replay_(std::move(replay)) {}

    const Replay& Recorded() const { return replay_; }
    // The next step; nullptr once none is left.
    const ReplayStep* Next() { return next_ < replay_.steps.size() ? &replay_.steps[next_++] : nullptr; }

private:
    Replay replay_;
    size_t next_ = 0;
};
