#pragma once
// The game's module player on libxmp. One player context, one module at a time.
//
// Audio clock (the game): the module is rendered straight into SDL_mixer's output from the audio
// thread through Mix_HookMusic; the order position reaches the main thread through an atomic. The
// main thread touches libxmp only while the hook is removed (Mix_HookMusic takes the mixer's
// audio lock, so once it returns the audio thread is out of our callback). Without an open mixer
// the player runs silently on the wall clock, so the game's music logic behaves the same.
//
// Virtual clock (vandrax-sim): no audio device at all; the simulator moves the music forward with
// AdvanceMs from its own clock and the module is rendered silently, so order positions advance
// deterministically.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/music_player.h"

class XmpMusicPlayer : public IMusicPlayer {
public:
    enum class Clock { Audio, Virtual };

    // libxmp's master volume (0..100, where 100 is libxmp's own full level) for the game's music:
    // it keeps our modules' peaks under -1 dBFS and leaves room above them for the sound effects.
    static constexpr int kGameVolume = 45;

    explicit XmpMusicPlayer(Clock clock = Clock::Audio);
    ~XmpMusicPlayer() override;
    XmpMusicPlayer(const XmpMusicPlayer&) = delete;
    XmpMusicPlayer& operator=(const XmpMusicPlayer&) = delete;

    int32_t SongLoadFromFile(const std::string& path) override;
    void SongPlay(int32_t handle) override;
    int32_t SongGetOrder(int32_t handle) override;
    void SongFree(int32_t handle) override;

    // Virtual clock only: plays the module `ms` milliseconds further (rendered into a scratch
    // buffer and dropped). Does nothing on the audio clock or when nothing is playing.
    void AdvanceMs(int ms);

    // True while the module is being heard through the mixer.
    bool Audible() const { return hooked_; }

private:
    static void MixCallback(void* self, uint8_t* stream, int len);
    void Render(uint8_t* stream, int len);
    void Unhook();
    void Stop();
    void AdvanceFrames(int64_t microseconds);

    Clock clock_;
    char* context_;  // xmp_context
    int32_t handle_ = 0;
    int32_t lastHandle_ = 0;
    bool loaded_ = false;
    bool playing_ = false;
    bool hooked_ = false;
    std::atomic<int32_t> order_{0};

    // Silent playing (virtual clock, or no mixer): time still owed to the module.
    int64_t owedMicroseconds_ = 0;
    bool wallClock_ = false;
    std::chrono::steady_clock::time_point wallStart_;
    int64_t wallPlayedMs_ = 0;

    // Output format of the mixer, fixed while hooked.
    int outFormat_ = 0;
    int outChannels_ = 2;
    std::vector<int16_t> scratch_;
};

// Renders the first `ms` milliseconds of a module (looping if it is shorter) exactly as the game
// plays it (volume, interpolation), as interleaved 16-bit stereo at `rate` Hz. Empty when the
// module cannot be loaded. Used to measure levels.
std::vector<int16_t> RenderModuleForGame(const std::string& path, int ms, int rate);
