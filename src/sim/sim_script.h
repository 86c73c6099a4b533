#pragma once
// vandrax-sim scripts: one event a line, "MS EVENT ARGS", e.g. "500 key-down Up",
// "1000 key-down Return alt", "1200 mouse-move 600 140", "1210 mouse-down left", "1300 char A",
// "1400 focus-lost", "1600 close". Blank lines and lines starting with # are skipped.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

struct SimEvent {
    uint64_t at = 0;
    std::string kind;               // key-down, key-up, char, mouse-move, mouse-down, mouse-up, ...
    std::vector<std::string> args;  // the rest of the line, split at blanks
    int line = 0;
};

// Events in time order (stable for equal times). Throws std::runtime_error naming the bad line.
std::vector<SimEvent> ParseSimScript(std::istream& in);
