// vandrax-xm: writes one of our compositions as a FastTracker 2 module.
//   vandrax-xm SONG OUT.xm                  compile SONG and write the module
//   vandrax-xm --solo NAME[,NAME] SONG OUT.xm   the same with every other instrument silent,
//                                           to hear or measure parts on their own
//   vandrax-xm --info SONG                  print the module's facts (orders, duration, ...)

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "composition.h"

namespace {

void Silence(xm::Module& module, const std::string& keep) {
    std::vector<std::string> names;
    std::stringstream list(keep);
    for (std::string name; std::getline(list, name, ',');) names.push_back(name);
    for (const std::string& name : names) {
        const bool known = std::any_of(module.instruments.begin(), module.instruments.end(),
                                       [&](const xm::Instrument& i) { return i.name == name; });
        if (!known) throw GameError(FormatMessage("No instrument '%s' to solo", name.c_str()));
    }
    for (xm::Instrument& ins : module.instruments) {
        if (std::find(names.begin(), names.end(), ins.name) != names.end()) continue;
        for (xm::Sample& s : ins.samples) std::fill(s.data.begin(), s.data.end(), 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::strcmp(argv[1], "--info") == 0) {
            std::fputs(xm::Describe(xm::ComposeFile(argv[2])).c_str(), stdout);
            return 0;
        }
        if (argc == 5 && std::strcmp(argv[1], "--solo") == 0) {
            xm::Module module = xm::ComposeFile(argv[3]);
            Silence(module, argv[2]);
            xm::WriteModuleFile(module, argv[4]);
            return 0;
        }
        if (argc == 3 && argv[1][0] != '-') {
            xm::WriteModuleFile(xm::ComposeFile(argv[1]), argv[2]);
            return 0;
        }
        std::fputs(
            "usage: vandrax-xm SONG OUT.xm\n"
            "       vandrax-xm --solo NAME[,NAME...] SONG OUT.xm\n"
            "       vandrax-xm --info SONG\n",
            stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vandrax-xm: %s\n", e.what());
        return 1;
    }
}
