#pragma once
// Sound buffers: one master per sound item, duplicated for overlapping copies.

#include <memory>

#include "base/wave_data.h"

class ISoundBuffer {
public:
    virtual ~ISoundBuffer() = default;
    // Stops, rewinds to the start and plays once or in a loop.
    virtual void Play(bool looped) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    // A new buffer sharing this one's samples, for a copy that sounds at the same time.
    virtual std::unique_ptr<ISoundBuffer> Duplicate() = 0;
};

class ISoundDevice {
public:
    virtual ~ISoundDevice() = default;
    // nullptr when the wave cannot be played on this device.
    virtual std::unique_ptr<ISoundBuffer> CreateBuffer(const WaveData& wave) = 0;
    // Blocks for about `ms` milliseconds (the wait of a sound played to its end).
    virtual void Wait(int ms) = 0;
};
