#pragma once
// The simulator's gamepad on SDL's own path: a virtual joystick that SDL takes for a game
// controller, its buttons pressed and its stick pushed as the script says, SDL's events pumped
// and handed through the game's SdlEventSource, so the script's pad events arrive exactly as a
// real pad's do.

#include <SDL.h>

#include <cstdint>

#include "base/input.h"
#include "platform/sdl/sdl_events.h"

class VirtualPad {
public:
    // Starts SDL's game-controller side and plugs the pad in. Throws SdlError.
    VirtualPad();
    ~VirtualPad();
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    // Does on the virtual pad what a pad event describes (a removal unplugs it), then hands on
    // what SDL made of it, at `now` (milliseconds).
    void Apply(const InputEvent& event, uint64_t now, const SdlEventSource::Sink& deliver);
    // SDL's pending events and the held fire's repeats due at `now`.
    void Pump(uint64_t now, const SdlEventSource::Sink& deliver);

    // The game's events that came out of SDL.
    int32_t EventsDelivered() const { return delivered_; }

private:
    SdlEventSource source_;
    int device_ = -1;
    SDL_Joystick* joystick_ = nullptr;
    int32_t delivered_ = 0;
};
