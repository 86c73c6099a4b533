#pragma once
// The polled input of the game: 36 states (up, down, left, right and buttons 1 to 32), each on
// while one of its keys is down or the gamepad pushes it. Off while the window is in the
// background.

#include <array>
#include <cstdint>

#include "base/input.h"

class IKeyboard;

// What the gamepad holds right now, kept from its events by the main window.
struct PadState {
    bool connected = false;
    int32_t axisX = 0;  // left stick, -32768 .. 32767
    int32_t axisY = 0;
    std::array<bool, static_cast<size_t>(PadButton::Other) + 1> buttons{};
    bool Held(PadButton button) const { return buttons[static_cast<size_t>(button)]; }
    // Follows one event; a removed pad holds nothing.
    void Track(const InputEvent& event);
};

class TDXInput {
public:
    enum State : int32_t { kUp = 0, kDown = 1, kLeft = 2, kRight = 3, kButton1 = 4 };
    static constexpr int32_t kStateCount = 36;
    // Three key codes a state, 0 = none, in state order.
    using Bindings = std::array<std::array<int32_t, 3>, kStateCount>;
    static const Bindings& DefaultBindings();

    TDXInput(const IKeyboard& keyboard, const PadState& pad) : keyboard_(&keyboard), pad_(pad) {}
    // The keys are read from another keyboard from now on (a replay's).
    void SetKeyboard(const IKeyboard& keyboard) { keyboard_ = &keyboard; }
    // Recomputes the states from the keys and the pad (all off while `focused` is false).
    void Update();
    void SetFocused(bool focused) { focused_ = focused; }
    bool Focused() const { return focused_; }
    // A state held on by a driver other than the player's hands (the attract mode's demo); it
    // counts as the keys do, and only while the window is in front.
    void Hold(int32_t state, bool on);
    void ReleaseAll() { held_.fill(false); }

    bool On(int32_t state) const {
        return state >= 0 && state < kStateCount && states_[static_cast<size_t>(state)];
    }
    bool Up() const { return On(kUp); }
    bool Down() const { return On(kDown); }
    bool Left() const { return On(kLeft); }
    bool Right() const { return On(kRight); }
    // Buttons count from 1.
    bool Button(int32_t number) const { return On(kButton1 + number - 1); }

private:
    const IKeyboard* keyboard_;
    const PadState& pad_;
    bool focused_ = true;
    std::array<bool, kStateCount> states_{};
    std::array<bool, kStateCount> held_{};
};
