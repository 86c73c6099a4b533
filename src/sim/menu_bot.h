#pragma once
// The autopilot's hands on the menus: what a player does to get from wherever the menus stand to
// a new game. Pointer moves and clicks on "START GAME" and the clan's picture; through the game
// over (a name typed and Enter when the score enters the table, the send box ticked first when
// there is a score server to send it to) and back to the main menu.
// After every third game it leaves the main menu idle until the attract mode's demo starts, and
// ends the demo half a minute later with a pointer move. One action a frame, decided from the
// state alone, so a run stays repeatable.

#include <cstdint>
#include <vector>

#include "base/input.h"

class TMainForm;

// The events to deliver now (none while a screen is still busy, such as the game-over wait).
// `send`: the bot ticks "send my score" before it enters its name.
std::vector<InputEvent> MenuBotStep(const TMainForm& form, int32_t clan, bool send);
