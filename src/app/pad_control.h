#pragma once
// The gamepad as the main window hands it on. In play (the game screen without its quit overlay)
// its buttons are the game's keys: south fires as Ctrl does, Start pauses as P, Back is Escape.
// Everywhere else the left stick moves the pointer, south clicks where it points, the d-pad is the
// arrow keys (the menus' light), Start is Enter and Back is Escape, so the menus, the quit overlay and the
// name entry need no mouse or keyboard.

#include <cstdint>
#include <vector>

#include "app/pad_pointer.h"
#include "base/input.h"

class IScreen;
class IWindow;
struct GameState;
struct PadState;

class GamepadControl {
public:
    GamepadControl(GameState& state, const PadState& pad) : state_(state), pad_(pad) {}

    // One frame of `lagCount` 5 ms steps: outside play the stick moves the pointer, by warping
    // the window system's own, whose move then comes back as any pointer move does.
    void Frame(int32_t lagCount, IWindow& window);
    // The keyboard and mouse events a pad event stands for, for the main window to deliver (the
    // pad's state already follows the event). Outside play `screen` sees the event first and may
    // take it for itself, as the name entry's letter chooser does.
    std::vector<InputEvent> Translate(const InputEvent& event, IScreen* screen);
    bool InPlay() const;

    const PadPointer& Pointer() const { return pointer_; }

private:
    GameState& state_;
    const PadState& pad_;
    PadPointer pointer_;
    bool clickHeld_ = false;  // south pressed outside play: its release is the button's release
};
