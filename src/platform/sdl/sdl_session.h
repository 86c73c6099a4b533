#pragma once
// What the game and the simulator both set up on SDL, written once: the subsystems and hints,
// text, the renderer choice, and errors that name the SDL call that failed.

#include <SDL.h>

#include <cstdint>
#include <string>

#include "base/errors.h"

// A failed SDL call: "SDL_CreateRenderer: <SDL_GetError()>".
GameError SdlError(const char* call);

class SdlSession {
public:
    enum class Mode { Window, Headless };
    // Window: video, timers and events, with the game's hints. Headless: only what drawing on
    // a software surface and text need. Throws SdlError when SDL cannot start.
    explicit SdlSession(Mode mode);
    ~SdlSession();
    SdlSession(const SdlSession&) = delete;
    SdlSession& operator=(const SdlSession&) = delete;

private:
    bool text_ = false;
};

// The game's renderer for a window: the accelerated one when there is a GPU, SDL's software
// renderer otherwise (a GL renderer running on the CPU costs several times the CPU and memory);
// SDL_RENDER_DRIVER still decides when set. Throws SdlError.
SDL_Renderer* CreateGameRenderer(SDL_Window* window);
