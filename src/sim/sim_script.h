#pragma once
// vandrax-sim scripts: one event a line, "MS EVENT ARGS", e.g. "500 key-down Up",
// "1000 key-down Return alt", "1200 mouse-move 600 140", "1210 mouse-down left", "1300 char A",
// "1400 focus-lost", "1600 close". Blank lines and lines starting with # are skipped.
// The gamepad: "1700 pad-down south", "1800 pad-up south" (buttons south, east, west, north,
// back, start, and the d-pad's up, down, left, right), "1900 pad-axis 0 32767" (axis 0 the left
// stick's X, 1 its Y; -32768..32767), "2000 pad-remove".
// Each line becomes the same input event the game's own window would deliver.
// "2100 autopilot off" takes the wheel from the bot (--autopilot) and lets go of what it held,
// "2200 autopilot on" gives it back: what the bot then does reaches the game as keys, as the
// script's own lines do.

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "base/input.h"

enum class ScriptEvent {
    KeyDown,
    KeyUp,
    Char,
    MouseMove,
    MouseDown,
    MouseUp,
    FocusLost,
    FocusGained,
    Close,
    Maximize,
    PadDown,
    PadUp,
    PadAxis,
    PadRemove,
    // Set-up for tests, not input: "set NAME VALUE" sets a game state value by its name,
    // "spawn CLASS [X Y]" puts a road object on the game screen (at X, Y when given),
    // "remove CLASS" kills every road object of that class.
    Set,
    Spawn,
    Remove,
    Autopilot,
};

struct SimEvent {
    uint64_t at = 0;
    ScriptEvent kind = ScriptEvent::KeyDown;
    InputEvent input;
    std::vector<std::string> args;  // set, spawn, remove and autopilot
    int line = 0;
};

// The game's key code of a key name, 0 when there is none.
using KeyLookup = std::function<int32_t(const std::string&)>;

// Events in time order (stable for equal times); "char" gives one event a character.
// Throws std::runtime_error naming the bad line: an unknown event, key, modifier or button,
// a missing or surplus argument.
std::vector<SimEvent> ParseSimScript(std::istream& in, const KeyLookup& keyCode);

// The name of a key code, for the trace; empty when there is none.
using KeyName = std::function<std::string(int32_t)>;

// An input event as the script line that would make it says it, without the time ("key-down P
// ctrl", "pad-axis 1 -32768", "focus-lost"); what the game did not get from a script line (the
// window's own events) by its kind ("quit").
std::string DescribeInput(const InputEvent& event, const KeyName& keyName);
