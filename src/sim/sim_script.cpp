#include "sim/sim_script.h"

#include <algorithm>
#include <set>
#include <sstream>
#include <stdexcept>

std::vector<SimEvent> ParseSimScript(std::istream& in) {
    static const std::set<std::string> kKinds = {"key-down",   "key-up",      "char",         "mouse-move",
                                                 "mouse-down", "mouse-up",    "focus-lost",   "focus-gained",
                                                 "close",      "maximize"};
    std::vector<SimEvent> events;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        std::istringstream line(text);
        std::string first;
        if (!(line >> first) || first[0] == '#') continue;
        SimEvent event;
        event.line = number;
        try {
            size_t used = 0;
            event.at = std::stoull(first, &used);
            if (used != first.size()) throw std::invalid_argument(first);
        } catch (const std::exception&) {
            throw std::runtime_error("script line " + std::to_string(number) + ": '" + first + "' is not a time");
        }
        if (!(line >> event.kind) || kKinds.count(event.kind) == 0)
            throw std::runtime_error("script line " + std::to_string(number) + ": unknown event '" + event.kind + "'");
        for (std::string arg; line >> arg;) event.args.push_back(arg);
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(), [](const SimEvent& a, const SimEvent& b) { return a.at < b.at; });
    return events;
}
