#pragma once
// Keys, shift state and the one input event every device event becomes. The platform makes
// them (SDL in the game, the script in the simulator); the main window delivers them.

#include <cstdint>
#include <string>

// The game's key codes: the Windows virtual-key numbering its bindings are written in
// (13 Enter, 27 Escape, 37-40 arrows, 48-57 digits, 65-90 letters, 112-123 F1-F12, ...).
constexpr int32_t kVkBack = 8;
constexpr int32_t kVkTab = 9;
constexpr int32_t kVkReturn = 13;
constexpr int32_t kVkShift = 16;
constexpr int32_t kVkControl = 17;
constexpr int32_t kVkMenu = 18;  // Alt
constexpr int32_t kVkPause = 19;
constexpr int32_t kVkEscape = 27;
constexpr int32_t kVkSpace = 32;
constexpr int32_t kVkLeft = 37;
constexpr int32_t kVkUp = 38;
constexpr int32_t kVkRight = 39;
constexpr int32_t kVkDown = 40;
constexpr int32_t kVkNumpad0 = 96;

// Shift-state bits of a key event.
enum ShiftState : uint32_t { kShiftNone = 0, kShiftShift = 1, kShiftAlt = 2, kShiftCtrl = 4 };

enum class MouseButton { Left, Right, Middle };

// Gamepad buttons by position, as SDL's game-controller layout names them.
enum class PadButton { South, East, West, North, Back, Start, DpadUp, DpadDown, DpadLeft, DpadRight, Other };

struct InputEvent {
    enum class Kind {
        KeyDown,      // key, shift; repeat set for the keyboard's auto-repeat
        KeyUp,        // key, shift
        Char,         // text: one character the player typed (8-bit)
        PointerMove,  // x, y in surface pixels
        ButtonDown,   // button, x, y
        ButtonUp,     // button, x, y
        FocusGained,
        FocusLost,
        Close,  // the window's close button, the system menu
        Maximized,
        Quit,           // a termination signal or the session ending: end at once
        SurfaceReset,   // the renderer lost its textures
        PadButtonDown,  // padButton
        PadButtonUp,    // padButton
        PadAxis,        // axis 0 = left stick X, 1 = left stick Y; value -32768..32767
        PadRemoved,
    };
    Kind kind = Kind::KeyDown;
    int32_t key = 0;
    uint32_t shift = kShiftNone;
    bool repeat = false;
    char text = 0;
    int32_t x = 0;
    int32_t y = 0;
    MouseButton button = MouseButton::Left;
    PadButton padButton = PadButton::Other;
    int32_t axis = 0;
    int32_t value = 0;
};
