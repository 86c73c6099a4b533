#include "sim/menu_bot.h"

#include <string_view>

#include "shell/main_form.h"

namespace {

// Where the bot puts the pointer: inside "START GAME" and inside each clan's picture.
constexpr int32_t kStartGameX = 640;
constexpr int32_t kStartGameY = 145;
constexpr int32_t kClanX[] = {145, 365};
constexpr int32_t kClanY = 300;
constexpr std::string_view kBotName = "Autopilot";
constexpr int32_t kGamesBetweenDemos = 3;
constexpr uint64_t kDemoWatchMs = 30000;

InputEvent Move(int32_t x, int32_t y) {
    InputEvent event;
    event.kind = InputEvent::Kind::PointerMove;
    event.x = x;
    event.y = y;
    return event;
}

// A left click where the pointer is.
std::vector<InputEvent> Click(const TMainForm& form) {
    InputEvent down;
    down.kind = InputEvent::Kind::ButtonDown;
    down.button = MouseButton::Left;
    down.x = form.MouseX;
    down.y = form.MouseY;
    InputEvent up = down;
    up.kind = InputEvent::Kind::ButtonUp;
    return {down, up};
}

std::vector<InputEvent> Press(int32_t key) {
    InputEvent down;
    down.kind = InputEvent::Kind::KeyDown;
    down.key = key;
    InputEvent up = down;
    up.kind = InputEvent::Kind::KeyUp;
    return {down, up};
}

// Moves to (x, y) first, clicks once the game has seen the pointer there.
std::vector<InputEvent> MoveThenClick(const TMainForm& form, int32_t x, int32_t y) {
    if (form.MouseX != x || form.MouseY != y) return {Move(x, y)};
    return Click(form);
}

}  // namespace

std::vector<InputEvent> MenuBotStep(const TMainForm& form, int32_t clan, bool send) {
    switch (form.ScreenState) {
        case Screen::Splash:
            return Click(form);
        case Screen::MainMenu:
            if (form.GameMainExit) return Press(kVkEscape);
            // After every few games the bot leaves the menu alone until the demo comes.
            if (form.GamesStarted / kGamesBetweenDemos > form.Attract.Runs()) return {};
            return MoveThenClick(form, kStartGameX, kStartGameY);
        case Screen::Game:
            // The demo plays a while, then a nudge of the pointer ends it.
            if (form.Demo && form.Now() >= form.Attract.StartedAt() + kDemoWatchMs)
                return {Move(form.MouseX == 0 ? 1 : form.MouseX - 1, form.MouseY)};
            return {};
        case Screen::ClanChoice:
            return MoveThenClick(form, kClanX[clan == 2 ? 1 : 0], kClanY);
        case Screen::GameOver:
            // The picture's five seconds, or the short pause on the way back.
            if (form.Timer1.Enabled()) return {};
            if (form.GameEnterName && form.Edit2.empty()) {
                std::vector<InputEvent> typed;
                for (char c : kBotName) {
                    InputEvent event;
                    event.kind = InputEvent::Kind::Char;
                    event.text = c;
                    typed.push_back(event);
                }
                return typed;
            }
            if (send && form.GameEnterName) {
                // From the keyboard: Up lights the send box (the last item) and Enter ticks it; then
                // Up lights the name above it, whose Enter puts the row in the table.
                std::vector<InputEvent> keys = Press(kVkUp);
                for (const InputEvent& event : Press(kVkReturn)) keys.push_back(event);
                return keys;
            }
            return Press(kVkReturn);
        case Screen::Help:
        case Screen::Options:
        case Screen::HighScores:
            return Press(kVkEscape);
        default:
            return {};
    }
}
