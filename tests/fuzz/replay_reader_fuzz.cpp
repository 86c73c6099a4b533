// Arbitrary bytes as a replay file, read with small limits. Bytes that begin as a replay file does
// are read as they are; any others are taken as the unpacked part of one and packed first, as the
// recorder packs it, so the fuzzer also reaches the reader's checks behind zlib's.
// Anything but a replay or a GameError with a message — a crash, a sanitizer report, a hang,
// another exception — is a bug. A replay the reader takes keeps the promises the player relies on
// (its frames and play time within the bounds, as many frames as its end says) and is exactly
// what it reads back as once written again.

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "app/replay.h"
#include "base/errors.h"

namespace {

constexpr char kMagic[] = "VANDRAXR";
constexpr size_t kMagicSize = 8;

ReplayLimits SmallLimits() {
    ReplayLimits limits;
    limits.maxFileBytes = 64u << 10;
    limits.maxUnpackedBytes = 256u << 10;
    limits.maxPlayMs = 15 * 60 * 1000;
    return limits;
}

std::vector<uint8_t> Packed(std::span<const uint8_t> raw) {
    std::vector<uint8_t> file(kMagic, kMagic + kMagicSize);
    file.push_back(1);
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(raw.size() >> (8 * i)));
    uLongf size = compressBound(raw.size());
    const size_t header = file.size();
    file.resize(header + size);
    if (compress2(file.data() + header, &size, raw.data(), raw.size(), Z_BEST_SPEED) != Z_OK)
        __builtin_trap();
    file.resize(header + size);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    const bool isFile = size >= kMagicSize && std::memcmp(data, kMagic, kMagicSize) == 0;
    const std::vector<uint8_t> file =
        isFile ? std::vector<uint8_t>(input.begin(), input.end()) : Packed(input);
    const ReplayLimits limits = SmallLimits();
    Replay replay;
    try {
        replay = DecodeReplay(file, limits);
    } catch (const GameError& error) {
        if (error.what()[0] == '\0') __builtin_trap();
        return 0;
    }
    int64_t frames = 0;
    int64_t lag = 0;
    for (const ReplayStep& step : replay.steps)
        if (step.kind == ReplayStep::Kind::Frame) {
            if (step.lag < 1) __builtin_trap();
            ++frames;
            lag += step.lag;
        }
    if (frames != replay.end.frames || lag * 5 > limits.maxPlayMs) __builtin_trap();
    if (replay.start.clan < 1 || replay.start.clan > 2 || replay.start.random.index > RandomState::kWords)
        __builtin_trap();
    // Written again and read back, it is the same game: the same bytes once more.
    const std::vector<uint8_t> again = EncodeReplay(replay);
    if (EncodeReplay(DecodeReplay(again)) != again) __builtin_trap();
    return 0;
}
