#include "platform/sdl/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kChannels = 64;
constexpr int kEffectsVolume = 96;  // of MIX_MAX_VOLUME (128)

// Which buffer last started on each channel, so a copy knows whether the channel is still its own.
std::vector<uint64_t>& ChannelOwners() {
    static std::vector<uint64_t> owners(kChannels, 0);
    return owners;
}
uint64_t NextBufferId() {
    static uint64_t next = 0;
    return ++next;
}

class MixerBuffer : public ISoundBuffer {
public:
    explicit MixerBuffer(std::shared_ptr<Mix_Chunk> chunk) : chunk_(std::move(chunk)), id_(NextBufferId()) {}
    ~MixerBuffer() override { Stop(); }

    void Play(bool looped) override {
        Stop();
        const int channel = Mix_PlayChannel(-1, chunk_.get(), looped ? -1 : 0);
        if (channel < 0 || channel >= kChannels) {
            channel_ = -1;
            return;
        }
        channel_ = channel;
        ChannelOwners()[static_cast<size_t>(channel)] = id_;
    }
    void Stop() override {
        if (IsPlaying()) Mix_HaltChannel(channel_);
        channel_ = -1;
    }
    bool IsPlaying() const override {
        return channel_ >= 0 && ChannelOwners()[static_cast<size_t>(channel_)] == id_ &&
               Mix_Playing(channel_) != 0;
    }
    std::unique_ptr<ISoundBuffer> Duplicate() override { return std::make_unique<MixerBuffer>(chunk_); }

private:
    std::shared_ptr<Mix_Chunk> chunk_;
    uint64_t id_;
    int channel_ = -1;
};

class SilentBuffer : public ISoundBuffer {
public:
    void Play(bool) override {}
    void Stop() override {}
    bool IsPlaying() const override { return false; }
    std::unique_ptr<ISoundBuffer> Duplicate() override { return std::make_unique<SilentBuffer>(); }
};

}  // namespace

SdlSoundDevice::SdlSoundDevice(bool open) {
    if (!open) return;
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0 && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "vandrax: no sound: %s\n", SDL_GetError());
        return;
    }
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        std::fprintf(stderr, "vandrax: no sound: %s\n", Mix_GetError());
        return;
    }
    Mix_AllocateChannels(kChannels);
    // Effects at 3/4 (-2.5 dB) leave room for the worst pile-up the game makes: two explosions,
    // a wreck, the siren and the engine over the music peak at -1.2 dBFS instead of clipping.
    Mix_Volume(-1, kEffectsVolume);
    opened_ = true;
}

SdlSoundDevice::~SdlSoundDevice() {
    if (opened_) {
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
    }
}

std::unique_ptr<ISoundBuffer> SdlSoundDevice::CreateBuffer(const WaveData& wave) {
    if (!opened_) return std::make_unique<SilentBuffer>();
    const std::vector<uint8_t> image = EncodeWave(wave);
    SDL_RWops* stream = SDL_RWFromConstMem(image.data(), static_cast<int>(image.size()));
    Mix_Chunk* chunk = stream != nullptr ? Mix_LoadWAV_RW(stream, 1) : nullptr;
    if (chunk == nullptr) return nullptr;
    return std::make_unique<MixerBuffer>(
        std::shared_ptr<Mix_Chunk>(chunk, [](Mix_Chunk* c) { Mix_FreeChunk(c); }));
}

void SdlSoundDevice::Wait(int ms) {
    SDL_Delay(static_cast<Uint32>(ms));
}
