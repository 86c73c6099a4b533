#include "engine/wave_file.h"

#include <algorithm>
#include <string>

#include "base/errors.h"
#include "engine/byte_stream.h"

namespace {

constexpr const char* kWaveInvalid = "Wave is invalid";

}  // namespace

WaveData DecodeWave(std::span<const uint8_t> bytes) {
    ByteReader in(bytes, kWaveInvalid);
    if (in.Remaining() < 12 || in.TakeString(4) != "RIFF") throw GameError(kWaveInvalid);
    const uint32_t riffSize = in.U32();
    if (in.TakeString(4) != "WAVE") throw GameError(kWaveInvalid);
    // Some writers leave the RIFF size wrong; never look past what the buffer holds.
    const size_t end = static_cast<size_t>(std::min<uint64_t>(uint64_t{riffSize} + 8, bytes.size()));

    WaveData wave;
    bool haveFormat = false;
    bool haveData = false;
    while (in.Position() + 8 <= end && !(haveFormat && haveData)) {
        const std::string id = in.TakeString(4);
        const uint32_t size = in.U32();
        if (size > end - in.Position()) throw GameError(kWaveInvalid);
        ByteReader chunk(in.Take(size), kWaveInvalid);
        if (id == "fmt " && !haveFormat) {
            if (size < 14) throw GameError(kWaveInvalid);
            wave.formatTag = chunk.U16();
            wave.channels = chunk.U16();
            wave.sampleRate = chunk.U32();
            wave.bytesPerSecond = chunk.U32();
            wave.blockAlign = chunk.U16();
            wave.bitsPerSample = size >= 16 ? chunk.U16() : 0;
            haveFormat = true;
        } else if (id == "data" && !haveData) {
            std::span<const uint8_t> samples = chunk.Take(size);
            wave.samples.assign(samples.begin(), samples.end());
            haveData = true;
        }
        // Chunks start on even offsets; the pad byte after an odd-sized chunk may be missing at the end.
        if ((size & 1) && in.Position() < end) in.Skip(1);
    }
    if (!haveFormat || !haveData) throw GameError(kWaveInvalid);
    return wave;
}
