#pragma once
// Plays a replay on the main window: the window is put at the replay's start on the game screen
// and fed its steps, a frame at a time. The game sees what it saw when it was recorded.

#include <bitset>
#include <cstddef>

#include "app/replay.h"
#include "base/screens.h"

class TMainForm;

class ReplayPlayer {
public:
    ReplayPlayer(TMainForm& form, Replay replay) : form_(form), replay_(std::move(replay)) {}

    // Enters the game screen at the replay's start; `after` is the screen the window goes to when
    // the replay ends (Screen::None: the program ends).
    void Begin(Screen after);
    // Runs the steps up to and including the next frame. False once the game has been left (its
    // end is the form's WatchedEnd) or no step is left.
    bool NextFrame();
    const Replay& Recorded() const { return replay_; }

private:
    TMainForm& form_;
    Replay replay_;
    size_t next_ = 0;
    std::bitset<256> keys_;
};
