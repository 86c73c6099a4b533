// vandrax-sim: the game's own code on a virtual clock, driven by a script, writing its state as
// JSON and screenshots as PNG. Deterministic for a given seed and script.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/random.h"
#include "app/replay.h"
#include "base/errors.h"
#include "headless/replay_check.h"
#include "online/data_paths.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_session.h"
#include "sim/sim_options.h"
#include "sim/sim_run.h"
#include "sim/sim_script.h"

namespace {

std::string EndJson(const ReplayEnd& end, int32_t clan) {
    char text[160];
    std::snprintf(
        text, sizeof text,
        "{\"score\": %d, \"level\": %d, \"lives\": %d, \"frames\": %lld, \"clan\": %d, \"ended\": %s}",
        end.score, end.level, end.lives, static_cast<long long>(end.frames), clan,
        end.ended ? "true" : "false");
    return text;
}

// --replay: the replay played headless, its end printed as one JSON object. 2 when it cannot be
// read or played here, 1 with --check when it ends otherwise than recorded (both ends on stderr).
int PlayReplay(const SimOptions& options) {
    try {
        const Replay replay = ReadReplayFile(options.replay);
        ReplayChecker checker(options.data.empty() ? FindDataRoot() : std::filesystem::path(options.data),
                              VANDRAX_VERSION);
        const ReplayOutcome outcome = checker.Play(replay);
        if (!outcome.error.empty() && outcome.end.frames == 0) {
            std::fprintf(stderr, "vandrax-sim: %s: %s\n", options.replay.c_str(), outcome.error.c_str());
            return 2;
        }
        const int32_t clan = replay.start.clan;
        std::printf("%s\n", EndJson(outcome.end, clan).c_str());
        if (!outcome.error.empty()) std::fprintf(stderr, "vandrax-sim: %s\n", outcome.error.c_str());
        if (!options.check || outcome.matches) return 0;
        std::fprintf(
            stderr, "vandrax-sim: %s: the game ended otherwise than recorded\n  recorded %s\n  played   %s\n",
            options.replay.c_str(), EndJson(replay.end, clan).c_str(), EndJson(outcome.end, clan).c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sim: %s\n", error.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    try {
        if (!ParseSimOptions(argc, argv, options)) return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sim: %s\n%s", error.what(), kSimUsage);
        return 2;
    }
    if (!options.replay.empty()) return PlayReplay(options);
    if (options.home.empty()) {
        // Never the player's own settings: a fresh folder of its own.
        char folder[] = "/tmp/vandrax-sim-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::perror("vandrax-sim: mkdtemp");
            return 1;
        }
        options.home = folder;
    }
    if (options.data.empty()) options.data = FindDataRoot().string();
    std::vector<SimEvent> events;
    if (!options.script.empty()) {
        std::ifstream in(options.script);
        if (!in) {
            std::fprintf(stderr, "vandrax-sim: cannot read %s\n", options.script.c_str());
            return 2;
        }
        try {
            events = ParseSimScript(in, KeyCodeFromName);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vandrax-sim: %s\n", error.what());
            return 2;
        }
    }
    SeedRandom(options.seed);
    int status = 0;
    try {
        SdlSession session(SdlSession::Mode::Headless);
        Simulation sim(options);
        sim.Start();
        const bool statesWritten = options.timedemo ? sim.TimeDemo() : sim.Run(events);
        if (!statesWritten) status = 1;
        // The state of the run's last moment, then what the program does as it ends: a game still
        // being played is kept.
        if (!options.state.empty() && !sim.WriteState(options.state)) status = 1;
        if (!sim.FinishRecord()) status = 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sim: %s\n", error.what());
        status = 1;
    }
    return status;
}
