#pragma once
// vandrax-sim's command line: what to run, for how long, and what to write.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SimOptions {
    std::string data;
    std::string home;
    uint64_t seed = 1;
    std::string script;
    uint64_t untilMs = 10000;
    double frameMs = 0;  // 0: the game's own pacing
    std::string state;
    // States written on the way, each at the first frame boundary at or after its moment.
    std::vector<std::pair<uint64_t, std::string>> statesAt;
    std::vector<std::pair<uint64_t, std::string>> screenshots;
    bool timedemo = false;
    int32_t play = 0;  // a clan: go straight to the game
    std::string trace;
    bool autopilot = false;
    std::string scoreServer;  // empty: offline, no request leaves the simulator
    bool sdlPad = false;      // the script's pad events through SDL's virtual joystick
    std::string record;       // the replay of the run's first game is written here
    std::string replay;       // a replay to play headless instead of a run
    bool check = false;       // with replay: exit 1 when it ends otherwise than recorded
};

extern const char* const kSimUsage;

// Fills `options` from the command line; false when the usage was asked for (and printed).
// Throws std::runtime_error naming the option that is wrong.
bool ParseSimOptions(int argc, char** argv, SimOptions& options);
