#pragma once
// Sound buffers on SDL_mixer: a master chunk per item, each playing copy on a mixer channel.
// Without an audio device the game runs silent: buffers accept every call and never sound.

#include <memory>

#include "platform/sound_device.h"

class SdlSoundDevice : public ISoundDevice {
public:
    // Opens the mixer; `open` false (or a failure) gives the silent device.
    explicit SdlSoundDevice(bool open = true);
    ~SdlSoundDevice() override;
    bool Opened() const { return opened_; }
    std::unique_ptr<ISoundBuffer> CreateBuffer(const WaveData& wave) override;
    void Wait(int ms) override;

private:
    bool opened_ = false;
};
