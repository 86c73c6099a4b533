#include "sim/sim_options.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "online/web_links.h"

const char* const kSimUsage =
    "Usage: vandrax-sim [--data DIR] [--home DIR] [--seed N] [--script FILE] [--until-ms T]\n"
    "                   [--frame-ms F] [--state FILE] [--state-at MS:FILE]... [--screenshot MS:FILE.png]...\n"
    "                   [--timedemo] [--play CLAN] [--trace FILE] [--autopilot] [--score-server URL]\n"
    "                   [--sdl-pad] [--record FILE]\n"
    "       vandrax-sim [--data DIR] --replay FILE [--check]\n";

namespace {

// "MS:FILE", as --screenshot and --state-at take it.
std::pair<uint64_t, std::string> Moment(const std::string& option, const std::string& value,
                                        const char* file) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || value.find_first_not_of("0123456789") != colon)
        throw std::runtime_error(option + " wants MS:" + file);
    return {std::stoull(value.substr(0, colon)), value.substr(colon + 1)};
}

}  // namespace

bool ParseSimOptions(int argc, char** argv, SimOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--data")
            options.data = value();
        else if (arg == "--home")
            options.home = value();
        else if (arg == "--seed")
            options.seed = std::stoull(value());
        else if (arg == "--script")
            options.script = value();
        else if (arg == "--until-ms")
            options.untilMs = std::stoull(value());
        else if (arg == "--frame-ms")
            options.frameMs = std::stod(value());
        else if (arg == "--state")
            options.state = value();
        else if (arg == "--timedemo")
            options.timedemo = true;
        else if (arg == "--trace")
            options.trace = value();
        else if (arg == "--autopilot")
            options.autopilot = true;
        else if (arg == "--sdl-pad")
            options.sdlPad = true;
        else if (arg == "--record")
            options.record = value();
        else if (arg == "--replay")
            options.replay = value();
        else if (arg == "--check")
            options.check = true;
        else if (arg == "--score-server") {
            const std::optional<std::string> base = ScoreServerBase(value().c_str());
            if (!base || argv[i][0] == '\0')
                throw std::runtime_error("--score-server wants an http or https address");
            options.scoreServer = *base;
        } else if (arg == "--play") {
            options.play = std::stoi(value());
            if (options.play != 1 && options.play != 2)
                throw std::runtime_error("--play wants 1 (Bulldogs) or 2 (Dragons)");
        } else if (arg == "--screenshot") {
            options.screenshots.push_back(Moment(arg, value(), "FILE.png"));
        } else if (arg == "--state-at") {
            options.statesAt.push_back(Moment(arg, value(), "FILE"));
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kSimUsage, stdout);
            return false;
        } else {
            throw std::runtime_error("unknown option '" + arg + "'");
        }
    }
    if (options.check && options.replay.empty()) throw std::runtime_error("--check goes with --replay");
    // A moment after the end would need a longer run to mean what it says.
    for (const auto& [ms, file] : options.statesAt)
        if (ms > options.untilMs)
            throw std::runtime_error("--state-at " + std::to_string(ms) + " is after --until-ms " +
                                     std::to_string(options.untilMs));
    return true;
}
