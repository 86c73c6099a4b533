#include "base/wave_data.h"

#include "base/byte_writer.h"

std::vector<uint8_t> EncodeWave(const WaveData& wave) {
    const bool extended = wave.formatTag != 1;  // non-PCM formats carry a (here empty) extra-size field
    const uint32_t formatSize = extended ? 18 : 16;
    const uint32_t dataSize = static_cast<uint32_t>(wave.samples.size());
    const uint32_t pad = dataSize & 1;
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataSize + pad + 2);
    ByteWriter out(bytes);
    out.Text("RIFF");
    out.U32(4 + 8 + formatSize + 8 + dataSize + pad);
    out.Text("WAVE");
    out.Text("fmt ");
    out.U32(formatSize);
    out.U16(wave.formatTag);
    out.U16(wave.channels);
    out.U32(wave.sampleRate);
    out.U32(wave.bytesPerSecond);
    out.U16(wave.blockAlign);
    out.U16(wave.bitsPerSample);
    if (extended) out.U16(0);
    out.Text("data");
    out.U32(dataSize);
    out.Bytes(wave.samples);
    if (pad) out.U8(0);
    return bytes;
}

WaveData MakePcmWave(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample,
                     std::vector<uint8_t> samples) {
    WaveData wave;
    wave.channels = channels;
    wave.sampleRate = sampleRate;
    wave.bitsPerSample = bitsPerSample;
    wave.blockAlign = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    wave.bytesPerSecond = sampleRate * wave.blockAlign;
    wave.samples = std::move(samples);
    return wave;
}
