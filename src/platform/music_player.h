#pragma once
// The module player the game's music operations run on. Handles are non-zero on success.
// Implemented on libxmp + SDL_mixer (src/platform/sdl) and by a recording fake in tests.

#include <cstdint>
#include <string>

class IMusicPlayer {
public:
    virtual ~IMusicPlayer() = default;
    // Loads a module file; 0 when it cannot be loaded (missing, unreadable, not a module).
    virtual int32_t SongLoadFromFile(const std::string& path) = 0;
    // Starts the module from its first order and returns at once.
    virtual void SongPlay(int32_t handle) = 0;
    // Current position in the order list: 0 at the start and 0 again once the module starts over.
    virtual int32_t SongGetOrder(int32_t handle) = 0;
    // Stops and releases the module; the handle is invalid afterwards.
    virtual void SongFree(int32_t handle) = 0;
};
