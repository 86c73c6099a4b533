#pragma once
// A bot driver for the game screen: throttles, steers around what would hurt the car, towards
// what helps it, and fires at rivals in front. A pure function of the road as it stands, so a
// run is as repeatable as the game under it. The simulator's --autopilot uses it.

#include "app/game_state.h"
#include "engine/sprite.h"

struct AutopilotInput {
    bool up = false;
    bool down = false;
    bool left = false;
    bool right = false;
    bool handbrake = false;
    bool fire = false;
};

AutopilotInput DecideAutopilot(const GameState& state, const TSpriteEngine& root);
