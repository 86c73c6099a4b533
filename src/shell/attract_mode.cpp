#include "shell/attract_mode.h"

#include <cstdlib>

namespace {

// A stick at rest reads a little off centre on many pads; a quarter of its travel is a push.
constexpr int32_t kStickRest = 8192;

}  // namespace

bool AttractMode::Due(const GameState& state, uint64_t now) const {
    return state.ScreenState == Screen::MainMenu && !state.Demo && !state.GameMainExit &&
           now >= idleSince_ + kIdleMs;
}

void AttractMode::Begin(GameState& state, uint64_t now) {
    saved_ = state;
    startedAt_ = now;
    state.Demo = true;
    state.Clan = runs_ % 2 == 0 ? 1 : 2;
    ++runs_;
}

void AttractMode::Restore(GameState& state) const {
    const GameState now = state;
    state = saved_;
    state.ScreenState = now.ScreenState;
    state.GameFullScreen = now.GameFullScreen;
    state.GameSound = now.GameSound;
    state.GameMusic = now.GameMusic;
    state.ResizePending = now.ResizePending;
    state.Demo = false;
}

bool IsPlayerInput(const InputEvent& event) {
    using Kind = InputEvent::Kind;
    switch (event.kind) {
        case Kind::KeyDown:
        case Kind::KeyUp:
        case Kind::Char:
        case Kind::PointerMove:
        case Kind::ButtonDown:
        case Kind::ButtonUp:
        case Kind::PadButtonDown:
        case Kind::PadButtonUp:
            return true;
        case Kind::PadAxis:
            return std::abs(event.value) > kStickRest;
        default:
            return false;
    }
}
