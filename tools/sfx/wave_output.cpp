#include "wave_output.h"

#include <fstream>

#include "base/errors.h"
#include "engine/wave_file.h"

namespace sfx {

WaveData ToWave(const Sound& sound) {
    WaveData wave;
    wave.formatTag = 1;
    wave.channels = 1;
    wave.bitsPerSample = 16;
    wave.blockAlign = 2;
    wave.sampleRate = static_cast<uint32_t>(sound.sampleRate);
    wave.bytesPerSecond = wave.sampleRate * wave.blockAlign;
    for (int16_t sample : ToPcm16(sound.samples)) {
        auto bits = static_cast<uint16_t>(sample);
        wave.samples.push_back(static_cast<uint8_t>(bits & 0xFF));
        wave.samples.push_back(static_cast<uint8_t>(bits >> 8));
    }
    return wave;
}

void WriteWave(const std::string& path, const Sound& sound) {
    std::vector<uint8_t> bytes = EncodeWave(ToWave(sound));
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw GameError("Cannot write '" + path + "'");
}

}  // namespace sfx
