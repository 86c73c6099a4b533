#include "sim/sim_script.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <stdexcept>

namespace {

const std::map<std::string, ScriptEvent> kEvents = {
    {"key-down", ScriptEvent::KeyDown},
    {"key-up", ScriptEvent::KeyUp},
    {"char", ScriptEvent::Char},
    {"mouse-move", ScriptEvent::MouseMove},
    {"mouse-down", ScriptEvent::MouseDown},
    {"mouse-up", ScriptEvent::MouseUp},
    {"focus-lost", ScriptEvent::FocusLost},
    {"focus-gained", ScriptEvent::FocusGained},
    {"close", ScriptEvent::Close},
    {"maximize", ScriptEvent::Maximize},
    {"pad-down", ScriptEvent::PadDown},
    {"pad-up", ScriptEvent::PadUp},
    {"pad-axis", ScriptEvent::PadAxis},
    {"pad-remove", ScriptEvent::PadRemove},
    {"set", ScriptEvent::Set},
    {"spawn", ScriptEvent::Spawn},
    {"remove", ScriptEvent::Remove},
    {"autopilot", ScriptEvent::Autopilot},
};

const std::map<std::string, PadButton> kPadButtons = {
    {"south", PadButton::South},     {"east", PadButton::East},     {"west", PadButton::West},
    {"north", PadButton::North},     {"back", PadButton::Back},     {"start", PadButton::Start},
    {"up", PadButton::DpadUp},       {"down", PadButton::DpadDown}, {"left", PadButton::DpadLeft},
    {"right", PadButton::DpadRight},
};

[[noreturn]] void Fail(int line, const std::string& what) {
    throw std::runtime_error("script line " + std::to_string(line) + ": " + what);
}

int32_t Coordinate(int line, const std::string& text) {
    try {
        size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size()) return value;
    } catch (const std::exception&) {
    }
    Fail(line, "'" + text + "' is not a coordinate");
}

}  // namespace

std::vector<SimEvent> ParseSimScript(std::istream& in, const KeyLookup& keyCode) {
    using Kind = InputEvent::Kind;
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
            Fail(number, "'" + first + "' is not a time");
        }
        std::string name;
        line >> name;
        const auto found = kEvents.find(name);
        if (found == kEvents.end()) Fail(number, "unknown event '" + name + "'");
        event.kind = found->second;
        std::vector<std::string> args;
        for (std::string arg; line >> arg;) args.push_back(arg);
        auto wantArgs = [&](size_t least, size_t most) {
            if (args.size() < least || args.size() > most)
                Fail(number, "wrong number of arguments for '" + name + "'");
        };
        InputEvent& input = event.input;
        switch (event.kind) {
            case ScriptEvent::KeyDown:
            case ScriptEvent::KeyUp:
                wantArgs(1, 4);
                input.kind = event.kind == ScriptEvent::KeyDown ? Kind::KeyDown : Kind::KeyUp;
                input.key = keyCode(args[0]);
                if (input.key == 0) Fail(number, "unknown key '" + args[0] + "'");
                for (size_t i = 1; i < args.size(); ++i) {
                    if (args[i] == "alt")
                        input.shift |= kShiftAlt;
                    else if (args[i] == "ctrl")
                        input.shift |= kShiftCtrl;
                    else if (args[i] == "shift")
                        input.shift |= kShiftShift;
                    else
                        Fail(number, "unknown modifier '" + args[i] + "'");
                }
                break;
            case ScriptEvent::Char:
                wantArgs(1, SIZE_MAX);
                input.kind = Kind::Char;
                for (const std::string& arg : args)
                    for (char c : arg) {
                        input.text = c;
                        events.push_back(event);
                    }
                continue;
            case ScriptEvent::MouseMove:
                wantArgs(2, 2);
                input.kind = Kind::PointerMove;
                input.x = Coordinate(number, args[0]);
                input.y = Coordinate(number, args[1]);
                break;
            case ScriptEvent::MouseDown:
            case ScriptEvent::MouseUp: {
                wantArgs(0, 1);
                input.kind = event.kind == ScriptEvent::MouseDown ? Kind::ButtonDown : Kind::ButtonUp;
                const std::string button = args.empty() ? "left" : args[0];
                if (button == "left")
                    input.button = MouseButton::Left;
                else if (button == "right")
                    input.button = MouseButton::Right;
                else if (button == "middle")
                    input.button = MouseButton::Middle;
                else
                    Fail(number, "unknown button '" + button + "'");
                break;
            }
            case ScriptEvent::FocusLost:
                wantArgs(0, 0);
                input.kind = Kind::FocusLost;
                break;
            case ScriptEvent::FocusGained:
                wantArgs(0, 0);
                input.kind = Kind::FocusGained;
                break;
            case ScriptEvent::Close:
                wantArgs(0, 0);
                input.kind = Kind::Close;
                break;
            case ScriptEvent::Maximize:
                wantArgs(0, 0);
                input.kind = Kind::Maximized;
                break;
            case ScriptEvent::PadDown:
            case ScriptEvent::PadUp: {
                wantArgs(1, 1);
                input.kind = event.kind == ScriptEvent::PadDown ? Kind::PadButtonDown : Kind::PadButtonUp;
                const auto button = kPadButtons.find(args[0]);
                if (button == kPadButtons.end()) Fail(number, "unknown pad button '" + args[0] + "'");
                input.padButton = button->second;
                break;
            }
            case ScriptEvent::PadAxis:
                wantArgs(2, 2);
                input.kind = Kind::PadAxis;
                input.axis = Coordinate(number, args[0]);
                input.value = Coordinate(number, args[1]);
                if (input.axis != 0 && input.axis != 1) Fail(number, "pad axis 0 or 1");
                if (input.value < -32768 || input.value > 32767) Fail(number, "pad axis value -32768..32767");
                break;
            case ScriptEvent::PadRemove:
                wantArgs(0, 0);
                input.kind = Kind::PadRemoved;
                break;
            case ScriptEvent::Set:
                wantArgs(2, 2);
                event.args = args;
                break;
            case ScriptEvent::Remove:
                wantArgs(1, 1);
                event.args = args;
                break;
            case ScriptEvent::Autopilot:
                wantArgs(1, 1);
                if (args[0] != "on" && args[0] != "off") Fail(number, "autopilot on or off");
                event.args = args;
                break;
            case ScriptEvent::Spawn:
                if (args.size() != 1 && args.size() != 3) Fail(number, "spawn CLASS [X Y]");
                if (args.size() == 3) {
                    Coordinate(number, args[1]);
                    Coordinate(number, args[2]);
                }
                event.args = args;
                break;
        }
        events.push_back(event);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const SimEvent& a, const SimEvent& b) { return a.at < b.at; });
    // A click lands where the pointer was last moved.
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    for (SimEvent& event : events) {
        if (event.input.kind == Kind::PointerMove) {
            pointerX = event.input.x;
            pointerY = event.input.y;
        } else if (event.input.kind == Kind::ButtonDown || event.input.kind == Kind::ButtonUp) {
            event.input.x = pointerX;
            event.input.y = pointerY;
        }
    }
    return events;
}

std::string DescribeInput(const InputEvent& event, const KeyName& keyName) {
    using Kind = InputEvent::Kind;
    auto key = [&](const char* what) {
        const std::string name = keyName(event.key);
        std::string text = std::string(what) + " " + (name.empty() ? std::to_string(event.key) : name);
        if ((event.shift & kShiftAlt) != 0) text += " alt";
        if ((event.shift & kShiftCtrl) != 0) text += " ctrl";
        if ((event.shift & kShiftShift) != 0) text += " shift";
        return text;
    };
    auto padButton = [&](const char* what) {
        for (const auto& [name, button] : kPadButtons)
            if (button == event.padButton) return std::string(what) + " " + name;
        return std::string(what) + " other";
    };
    static const char* const kButtons[] = {"left", "right", "middle"};
    switch (event.kind) {
        case Kind::KeyDown:
            return key("key-down");
        case Kind::KeyUp:
            return key("key-up");
        case Kind::Char:
            return "char " + std::string(1, event.text);
        case Kind::PointerMove:
            return "mouse-move " + std::to_string(event.x) + " " + std::to_string(event.y);
        case Kind::ButtonDown:
            return std::string("mouse-down ") + kButtons[static_cast<int>(event.button)];
        case Kind::ButtonUp:
            return std::string("mouse-up ") + kButtons[static_cast<int>(event.button)];
        case Kind::FocusGained:
            return "focus-gained";
        case Kind::FocusLost:
            return "focus-lost";
        case Kind::Close:
            return "close";
        case Kind::Maximized:
            return "maximize";
        case Kind::Quit:
            return "quit";
        case Kind::SurfaceReset:
            return "surface-reset";
        case Kind::PadButtonDown:
            return padButton("pad-down");
        case Kind::PadButtonUp:
            return padButton("pad-up");
        case Kind::PadAxis:
            return "pad-axis " + std::to_string(event.axis) + " " + std::to_string(event.value);
        case Kind::PadRemoved:
            return "pad-remove";
    }
    return "?";
}
