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

// The game's renderer for a window when a GPU draws it (SDL_RENDER_DRIVER still decides when
// set); nullptr when the frames are drawn on the CPU: then the game draws into a surface of its
// own and puts it on the window's own surface (SdlDrawSurface::ForWindowSurface), which is all
// SDL's software renderer would do, without its scaled copy's per-frame scratch picture. A GL
// renderer running on the CPU (llvmpipe) costs several times the CPU and memory, so it counts as
// no GPU.
SDL_Renderer* CreateGameRenderer(SDL_Window* window);
