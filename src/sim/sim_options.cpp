#include "sim/sim_options.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "online/web_links.h"

const char* const kSimUsage =
    "Usage: vandrax-sim [--data DIR] [--home DIR] [--seed N] [--script FILE] [--until-ms T]\n"
    "                   [--frame-ms F] [--state FILE] [--screenshot MS:FILE.png]... [--timedemo]\n"
    "                   [--play CLAN] [--trace FILE] [--autopilot] [--score-server URL]\n"
    "                   [--sdl-pad]\n";

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
            const std::string v = value();
            const size_t colon = v.find(':');
            if (colon == std::string::npos) throw std::runtime_error("--screenshot wants MS:FILE.png");
            options.screenshots.emplace_back(std::stoull(v.substr(0, colon)), v.substr(colon + 1));
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kSimUsage, stdout);
            return false;
        } else {
            throw std::runtime_error("unknown option '" + arg + "'");
        }
    }
    return true;
}
