#include "shell/attract_mode.h"

#include <cstdlib>

#include "app/pad_pointer.h"

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
    const Screen screen = state.ScreenState;
    const bool fullScreen = state.GameFullScreen;
    const bool sound = state.GameSound;
    const bool music = state.GameMusic;
    const bool resizePending = state.ResizePending;
    state = saved_;  // taken before the demo began: Demo is off in it
    state.ScreenState = screen;
    state.GameFullScreen = fullScreen;
    state.GameSound = sound;
    state.GameMusic = music;
    state.ResizePending = resizePending;
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
            // A stick at rest reads a little off centre on many pads: inside the dead zone that
            // holds the pad's pointer still, it is no push.
            return std::abs(event.value) > kPointerDeadZone * 32768;
        default:
            return false;
    }
}
