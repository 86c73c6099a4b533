#pragma once
// Keys: SDL key codes to the game's virtual key codes, and the polled keyboard.

#include <SDL.h>

#include <cstdint>
#include <string>

#include "platform/keyboard.h"

// The virtual key code of an SDL key; 255 for a key the game has no code for, 0 for none.
int VirtualKeyFromSdl(SDL_Keycode key);
// The game's key code of an SDL key name ("Return", "Left", "P"), 0 for unknown names.
int32_t KeyCodeFromName(const std::string& name);
// The SDL key of a virtual key code, SDLK_UNKNOWN when there is none.
SDL_Keycode SdlKeyFromVirtualKey(int virtualKey);
// The shift-state bits (kShiftShift, kShiftAlt, kShiftCtrl) of SDL modifier flags.
uint32_t ShiftStateFromSdl(Uint16 modifiers);

class SdlKeyboard : public IKeyboard {
public:
    explicit SdlKeyboard(SDL_Window* window) : window_(window) {}
    // Only while our window has the keyboard focus; otherwise every key reads as up.
    bool IsKeyDown(int virtualKey) const override;

private:
    SDL_Window* window_;
};
