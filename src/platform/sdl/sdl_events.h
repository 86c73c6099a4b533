#pragma once
// SDL's events to the game's input events, each translated once, here; the gamepads opened and
// closed as they come and go; and a held Ctrl (or the pad's fire button) repeated when the
// desktop does not repeat it, so holding fire fires at the keyboard's repeat rate everywhere.

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <map>

#include "base/input.h"

class SdlWindow;

class SdlEventSource {
public:
    using Sink = std::function<void(const InputEvent&)>;

    // repeatDelayMs, repeatIntervalMs: the desktop's key repeat.
    SdlEventSource(const SdlWindow& window, uint32_t repeatDelayMs, uint32_t repeatIntervalMs);
    // A source without a window (the simulator's gamepad): pointer events are left out, having
    // no surface to land on.
    SdlEventSource(uint32_t repeatDelayMs, uint32_t repeatIntervalMs);
    ~SdlEventSource();
    SdlEventSource(const SdlEventSource&) = delete;
    SdlEventSource& operator=(const SdlEventSource&) = delete;

    // Hands the game's events for one SDL event to `deliver`: none for events the game does not
    // use, one a character for typed text. Pointer positions come out in surface pixels.
    void Translate(const SDL_Event& event, const Sink& deliver);
    // The same at a given time (milliseconds of SDL_GetTicks64), for tests.
    void Translate(const SDL_Event& event, uint64_t now, const Sink& deliver);
    // The repeats of a held fire that are due at `now` (milliseconds).
    void Repeat(uint64_t now, const Sink& deliver);
    // When the next repeat is due (UINT64_MAX when none).
    uint64_t NextRepeatAt() const;

private:
    struct Held {
        bool held = false;
        bool native = false;  // the desktop repeats it itself
        uint64_t next = 0;
    };
    void Press(Held& held, uint64_t now);

    const SdlWindow* window_;
    uint32_t delay_;
    uint32_t interval_;
    Held ctrl_;
    Held padFire_;
    std::map<SDL_JoystickID, SDL_GameController*> pads_;
};

// The desktop's key repeat (delay before the first repeat, then the interval), read from the X
// server when there is one; 500 ms and 30 a second otherwise.
void DesktopKeyRepeat(SDL_Window* window, uint32_t& delayMs, uint32_t& intervalMs);
