#pragma once
// PCM samples as a sound pack holds them and a sound device plays them.

#include <cstdint>
#include <vector>

// PCM sample data of a RIFF WAVE image.
struct WaveData {
    uint16_t formatTag = 1;  // 1 = PCM
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> samples;  // the "data" chunk
};

// PCM samples with the format fields that follow from channels, rate and sample size.
WaveData MakePcmWave(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                     std::vector<uint8_t> samples);

// Writes a RIFF WAVE image with a "fmt " and a "data" chunk: how a pack stores a sound and how
// the mixer is handed one.
std::vector<uint8_t> EncodeWave(const WaveData& wave);
