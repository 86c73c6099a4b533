// Module music on libxmp, heard through SDL_mixer's music hook (see music_xmp.h).

#include "platform/sdl/music_xmp.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <xmp.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kScratchFrames = 4096;
constexpr int kSilentRate = 8000;  // silent playing only needs the player's clock, not good sound
constexpr int64_t kMaxCatchUpMs = 5000;

// The same settings wherever the game's music is rendered.
void ConfigureForGame(xmp_context context) {
    xmp_set_player(context, XMP_PLAYER_VOLUME, XmpMusicPlayer::kGameVolume);
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_SPLINE);
}

template <typename T>
void Spread(const int16_t* in, int frames, T* out, int channels, T (*convert)(int)) {
    for (int i = 0; i < frames; ++i) {
        const int left = in[2 * i], right = in[2 * i + 1];
        if (channels == 1) {
            out[i] = convert((left + right) / 2);
            continue;
        }
        T* frame = out + static_cast<ptrdiff_t>(i) * channels;
        frame[0] = convert(left);
        frame[1] = convert(right);
        for (int c = 2; c < channels; ++c) frame[c] = convert(0);
    }
}

int16_t ToS16(int v) {
    return static_cast<int16_t>(v);
}
float ToF32(int v) {
    return static_cast<float>(v) / 32768.0f;
}
int32_t ToS32(int v) {
    return static_cast<int32_t>(v) * 65536;
}

}  // namespace

XmpMusicPlayer::XmpMusicPlayer(Clock clock) : clock_(clock), context_(xmp_create_context()) {}

XmpMusicPlayer::~XmpMusicPlayer() {
    Stop();
    xmp_free_context(context_);
}

void XmpMusicPlayer::Unhook() {
    if (!hooked_) return;
    // Takes the mixer's audio lock: when it returns, the audio thread has left MixCallback.
    Mix_HookMusic(nullptr, nullptr);
    hooked_ = false;
}

void XmpMusicPlayer::Stop() {
    Unhook();
    if (playing_) xmp_end_player(context_);
    if (loaded_) xmp_release_module(context_);
    playing_ = loaded_ = false;
    handle_ = 0;
    order_.store(0);
}

int32_t XmpMusicPlayer::SongLoadFromFile(const std::string& path) {
    Stop();  // one context: whatever played before goes
    if (xmp_load_module(context_, path.c_str()) != 0) return 0;
    loaded_ = true;
    lastHandle_ = lastHandle_ == INT32_MAX ? 1 : lastHandle_ + 1;
    handle_ = lastHandle_;
    return handle_;
}

void XmpMusicPlayer::SongPlay(int32_t handle) {
    if (handle == 0 || handle != handle_) return;
    Unhook();
    if (playing_) xmp_end_player(context_);
    playing_ = false;
    order_.store(0);
    owedMicroseconds_ = 0;
    wallClock_ = false;

    int rate = 0, channels = 0;
    Uint16 format = 0;
    const bool mixerOpen = clock_ == Clock::Audio && Mix_QuerySpec(&rate, &format, &channels) != 0;
    const bool formatKnown = format == AUDIO_S16SYS || format == AUDIO_F32SYS || format == AUDIO_S32SYS;
    if (mixerOpen && formatKnown && channels >= 1 && xmp_start_player(context_, rate, 0) == 0) {
        playing_ = true;
        ConfigureForGame(context_);
        outFormat_ = format;
        outChannels_ = channels;
        scratch_.assign(static_cast<size_t>(kScratchFrames) * 2, 0);
        Mix_HookMusic(&XmpMusicPlayer::MixCallback, this);
        hooked_ = true;
        return;
    }
    // Silent: the virtual clock, or no usable mixer (no sound card). Positions still advance.
    if (xmp_start_player(context_, kSilentRate, XMP_FORMAT_MONO) != 0) return;
    playing_ = true;
    ConfigureForGame(context_);
    wallClock_ = clock_ == Clock::Audio;
    wallStart_ = std::chrono::steady_clock::now();
    wallPlayedMs_ = 0;
}

int32_t XmpMusicPlayer::SongGetOrder(int32_t handle) {
    if (handle == 0 || handle != handle_) return 0;
    if (playing_ && !hooked_ && wallClock_) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - wallStart_)
                                 .count();
        // After a long stall (the game suspended) silent music just resumes: no hour-long catch-up.
        AdvanceFrames(std::min<int64_t>(elapsed - wallPlayedMs_, kMaxCatchUpMs) * 1000);
        wallPlayedMs_ = elapsed;
    }
    return order_.load();
}

void XmpMusicPlayer::SongFree(int32_t handle) {
    if (handle == 0 || handle != handle_) return;
    Stop();
}

void XmpMusicPlayer::AdvanceMs(int ms) {
    if (clock_ != Clock::Virtual || ms <= 0) return;
    AdvanceFrames(static_cast<int64_t>(ms) * 1000);
}

void XmpMusicPlayer::AdvanceFrames(int64_t microseconds) {
    if (!playing_ || hooked_) return;
    owedMicroseconds_ += microseconds;
    xmp_frame_info info;
    // Whole player frames (ticks) only; what is left over is owed to the next call.
    while (owedMicroseconds_ > 0) {
        if (xmp_play_frame(context_) != 0) break;
        xmp_get_frame_info(context_, &info);
        owedMicroseconds_ -= std::max(info.frame_time, 1);
        order_.store(info.pos);
    }
}

void XmpMusicPlayer::MixCallback(void* self, uint8_t* stream, int len) {
    static_cast<XmpMusicPlayer*>(self)->Render(stream, len);
}

void XmpMusicPlayer::Render(uint8_t* stream, int len) {
    // Audio thread. The main thread does not touch the context while we are hooked.
    const int sampleBytes = outFormat_ == AUDIO_S16SYS ? 2 : 4;
    const int frameBytes = sampleBytes * outChannels_;
    int frames = len / frameBytes;
    if (outFormat_ == AUDIO_S16SYS && outChannels_ == 2) {
        xmp_play_buffer(context_, stream, frames * frameBytes, 0);
    } else {
        uint8_t* out = stream;
        while (frames > 0) {
            const int n = std::min(frames, kScratchFrames);
            xmp_play_buffer(context_, scratch_.data(), n * 4, 0);
            if (outFormat_ == AUDIO_S16SYS)
                Spread(scratch_.data(), n, reinterpret_cast<int16_t*>(out), outChannels_, ToS16);
            else if (outFormat_ == AUDIO_F32SYS)
                Spread(scratch_.data(), n, reinterpret_cast<float*>(out), outChannels_, ToF32);
            else
                Spread(scratch_.data(), n, reinterpret_cast<int32_t*>(out), outChannels_, ToS32);
            out += static_cast<ptrdiff_t>(n) * frameBytes;
            frames -= n;
        }
    }
    xmp_frame_info info;
    xmp_get_frame_info(context_, &info);
    order_.store(info.pos);
}

std::vector<int16_t> RenderModuleForGame(const std::string& path, int ms, int rate) {
    std::vector<int16_t> pcm;
    xmp_context context = xmp_create_context();
    if (xmp_load_module(context, path.c_str()) == 0) {
        if (xmp_start_player(context, rate, 0) == 0) {
            ConfigureForGame(context);
            pcm.assign(static_cast<size_t>(static_cast<int64_t>(rate) * ms / 1000) * 2, 0);
            size_t done = 0;
            while (done < pcm.size()) {
                const size_t n = std::min<size_t>(pcm.size() - done, 8192);
                if (xmp_play_buffer(context, pcm.data() + done, static_cast<int>(n * 2), 0) != 0) break;
                done += n;
            }
            xmp_end_player(context);
        }
        xmp_release_module(context);
    }
    xmp_free_context(context);
    return pcm;
}
