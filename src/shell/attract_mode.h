#pragma once
// The attract mode: after a minute on the main menu with no input, a demo game plays itself
// with the autopilot at the wheel and the game's music. Any key, click, pointer move or gamepad
// input ends it, and the main menu is back as it was. A demo keeps nothing: its game over leads
// to the main menu, not to the table, the settings file or the score server.

#include <cstdint>

#include "app/game_state.h"
#include "base/input.h"

class AttractMode {
public:
    static constexpr uint64_t kIdleMs = 60000;
    // The longest a demo plays before the main menu shows again (and a minute later the next).
    static constexpr uint64_t kDemoMs = 120000;

    // Input, a new screen or the window coming to the front: the idle minute starts over.
    void Touch(uint64_t now) { idleSince_ = now; }
    // The main menu has stood a minute with no input and no quit question on it.
    bool Due(const GameState& state, uint64_t now) const;
    bool Expired(uint64_t now) const { return now >= startedAt_ + kDemoMs; }
    // Keeps the state to come back to and sets up the demo: the clans take turns.
    void Begin(GameState& state, uint64_t now);
    // Puts back what the demo changed; the window's own flags (full screen, sound, music) stay
    // as they are now.
    void Restore(GameState& state) const;

    int32_t Runs() const { return runs_; }
    uint64_t StartedAt() const { return startedAt_; }

private:
    uint64_t idleSince_ = 0;
    uint64_t startedAt_ = 0;
    int32_t runs_ = 0;
    GameState saved_;
};

// What a player does, as opposed to what the window system tells: keys, typing, the pointer,
// the mouse buttons and the gamepad (a stick counts once it leaves the pointer's dead zone).
bool IsPlayerInput(const InputEvent& event);
