#include "app/replay.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "app/settings_file.h"
#include "base/errors.h"
#include "engine/byte_stream.h"

namespace {

constexpr char kMagic[] = "VANDRAXR";
constexpr size_t kMagicSize = 8;
constexpr uint8_t kFormat = 1;
constexpr size_t kHeaderSize = kMagicSize + 1 + 4;
constexpr int32_t kLagStepMs = 5;  // the frame timer's interval: a lag count is in these
const char* const kDamaged = "The replay is cut off or damaged";
constexpr size_t kMostPackedRatio = 1032;
constexpr size_t kStepsReadyFirst = 1u << 16;

// ---- the unpacked stream: LEB128 numbers, zigzag for signed ones

void Varint(ByteWriter& out, uint64_t value) {
    while (value >= 0x80) {
        out.U8(static_cast<uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.U8(static_cast<uint8_t>(value));
}

void Signed(ByteWriter& out, int64_t value) {
    Varint(out, (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

uint64_t Varint(ByteReader& in) {
    uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const uint8_t byte = in.U8();
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) return value;
    }
    throw GameError(kDamaged);
}

int64_t Signed(ByteReader& in) {
    const uint64_t value = Varint(in);
    return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
}

// A number that must fit where it goes.
int32_t Bounded(int64_t value, int64_t low, int64_t high) {
    if (value < low || value > high) throw GameError(kDamaged);
    return static_cast<int32_t>(value);
}

// ---- a step: its kind in the low two bits of the first byte, a small value in the other six

constexpr uint8_t kSmall = 63;  // the six bits full: the value follows as a number

void Head(ByteWriter& out, ReplayStep::Kind kind, uint64_t value) {
    const auto bits = static_cast<uint8_t>(kind);
    if (value < kSmall) {
        out.U8(static_cast<uint8_t>((value << 2) | bits));
    } else {
        out.U8(static_cast<uint8_t>((kSmall << 2) | bits));
        Varint(out, value);
    }
}

uint64_t HeadValue(ByteReader& in, uint8_t first) {
    const uint64_t small = first >> 2;
    return small < kSmall ? small : Varint(in);
}

using Kind = InputEvent::Kind;
constexpr auto kLastInputKind = Kind::PadRemoved;

void WriteInput(ByteWriter& out, const InputEvent& e) {
    Head(out, ReplayStep::Kind::Input, static_cast<uint64_t>(e.kind));
    switch (e.kind) {
        case Kind::KeyDown:
        case Kind::KeyUp:
            Signed(out, e.key);
            Varint(out, (static_cast<uint64_t>(e.shift) << 1) | (e.repeat ? 1 : 0));
            break;
        case Kind::Char:
            out.U8(static_cast<uint8_t>(e.text));
            break;
        case Kind::PointerMove:
        case Kind::ButtonDown:
        case Kind::ButtonUp:
            Signed(out, e.x);
            Signed(out, e.y);
            out.U8(static_cast<uint8_t>(e.button));
            break;
        case Kind::PadButtonDown:
        case Kind::PadButtonUp:
            out.U8(static_cast<uint8_t>(e.padButton));
            break;
        case Kind::PadAxis:
            out.U8(static_cast<uint8_t>(e.axis));
            Signed(out, e.value);
            break;
        default:
            break;
    }
}

InputEvent ReadInput(ByteReader& in, uint64_t kind) {
    if (kind > static_cast<uint64_t>(kLastInputKind)) throw GameError(kDamaged);
    InputEvent e;
    e.kind = static_cast<Kind>(kind);
    switch (e.kind) {
        case Kind::KeyDown:
        case Kind::KeyUp: {
            e.key = Bounded(Signed(in), 0, 255);
            const uint64_t flags = Varint(in);
            e.repeat = (flags & 1) != 0;
            e.shift = static_cast<uint32_t>(Bounded(static_cast<int64_t>(flags >> 1), 0, 7));
            break;
        }
        case Kind::Char:
            e.text = static_cast<char>(in.U8());
            break;
        case Kind::PointerMove:
        case Kind::ButtonDown:
        case Kind::ButtonUp:
            e.x = Bounded(Signed(in), -100000, 100000);
            e.y = Bounded(Signed(in), -100000, 100000);
            e.button =
                static_cast<MouseButton>(Bounded(in.U8(), 0, static_cast<int64_t>(MouseButton::Middle)));
            break;
        case Kind::PadButtonDown:
        case Kind::PadButtonUp:
            e.padButton = static_cast<PadButton>(Bounded(in.U8(), 0, static_cast<int64_t>(PadButton::Other)));
            break;
        case Kind::PadAxis:
            e.axis = Bounded(in.U8(), 0, 1);
            e.value = Bounded(Signed(in), -32768, 32767);
            break;
        case Kind::Quit:
        case Kind::SurfaceReset:
            // Never recorded: they end the program or concern only the picture.
            throw GameError(kDamaged);
        default:
            break;
    }
    return e;
}

void WriteStart(ByteWriter& out, const ReplayStart& s) {
    Varint(out, s.version.size());
    out.Text(s.version);
    out.Bytes(s.data);
    for (const uint64_t word : s.random.words) {
        out.U32(static_cast<uint32_t>(word));
        out.U32(static_cast<uint32_t>(word >> 32));
    }
    Varint(out, s.random.index);
    Varint(out, static_cast<uint64_t>(s.clan));
    Signed(out, s.mouseX);
    Signed(out, s.mouseY);
    out.U8(static_cast<uint8_t>((s.hoverArmed ? 1 : 0) | (s.focused ? 2 : 0) | (s.pad.connected ? 4 : 0)));
    Signed(out, s.pad.axisX);
    Signed(out, s.pad.axisY);
    uint64_t buttons = 0;
    for (size_t i = 0; i < s.pad.buttons.size(); ++i)
        if (s.pad.buttons[i]) buttons |= uint64_t{1} << i;
    Varint(out, buttons);
    Signed(out, s.startedAt);
}

ReplayStart ReadStart(ByteReader& in) {
    ReplayStart s;
    const uint64_t versionSize = Varint(in);
    if (versionSize > 64) throw GameError(kDamaged);
    s.version = in.TakeString(versionSize);
    const auto data = in.Take(s.data.size());
    std::copy(data.begin(), data.end(), s.data.begin());
    for (uint64_t& word : s.random.words) {
        const uint64_t low = in.U32();
        word = low | (static_cast<uint64_t>(in.U32()) << 32);
    }
    s.random.index = static_cast<uint32_t>(Bounded(static_cast<int64_t>(Varint(in)), 0, RandomState::kWords));
    s.clan = Bounded(static_cast<int64_t>(Varint(in)), 1, 2);
    s.mouseX = Bounded(Signed(in), -100000, 100000);
    s.mouseY = Bounded(Signed(in), -100000, 100000);
    const uint8_t flags = in.U8();
    if (flags > 7) throw GameError(kDamaged);
    s.hoverArmed = (flags & 1) != 0;
    s.focused = (flags & 2) != 0;
    s.pad.connected = (flags & 4) != 0;
    s.pad.axisX = Bounded(Signed(in), -32768, 32767);
    s.pad.axisY = Bounded(Signed(in), -32768, 32767);
    const uint64_t buttons = Varint(in);
    if (buttons >> s.pad.buttons.size() != 0) throw GameError(kDamaged);
    for (size_t i = 0; i < s.pad.buttons.size(); ++i) s.pad.buttons[i] = ((buttons >> i) & 1) != 0;
    s.startedAt = Signed(in);
    return s;
}

std::vector<uint8_t> Unpack(std::span<const uint8_t> bytes, const ReplayLimits& limits) {
    if (bytes.size() > limits.maxFileBytes) throw GameError("The replay is too large");
    if (bytes.size() < kMagicSize || !std::equal(bytes.begin(), bytes.begin() + kMagicSize, kMagic))
        throw GameError("This is not a Vandrax replay");
    if (bytes.size() < kHeaderSize) throw GameError(kDamaged);
    if (bytes[kMagicSize] != kFormat)
        throw GameError("The replay is of a format this version of the game cannot read");
    ByteReader header(bytes.subspan(kMagicSize + 1, 4), kDamaged);
    const uint32_t size = header.U32();
    if (size > limits.maxUnpackedBytes) throw GameError("The replay is too large");
    // Nothing is made ready for more than the packed bytes can hold: deflate's best is a 258-byte
    // repeat in two bits, 1032 to 1.
    const auto packed = bytes.subspan(kHeaderSize);
    if (size > packed.size() * kMostPackedRatio) throw GameError(kDamaged);
    std::vector<uint8_t> raw(size);
    uLongf produced = size;
    uLong consumed = packed.size();
    const int status = uncompress2(raw.data(), &produced, packed.data(), &consumed);
    if (status != Z_OK || produced != size || consumed != packed.size()) throw GameError(kDamaged);
    return raw;
}

}  // namespace

std::vector<uint8_t> EncodeReplay(const Replay& replay) {
    std::vector<uint8_t> raw;
    ByteWriter out(raw);
    WriteStart(out, replay.start);
    Varint(out, replay.steps.size());
    std::bitset<256> keys;
    for (const ReplayStep& step : replay.steps) {
        switch (step.kind) {
            case ReplayStep::Kind::Frame:
                Head(out, step.kind, static_cast<uint64_t>(step.lag));
                break;
            case ReplayStep::Kind::Timer:
                Head(out, step.kind, static_cast<uint64_t>(step.timer));
                break;
            case ReplayStep::Kind::Keys: {
                // The keys that changed, each once.
                const std::bitset<256> changed = keys ^ step.keys;
                Head(out, step.kind, changed.count());
                for (size_t key = 0; key < changed.size(); ++key)
                    if (changed[key]) out.U8(static_cast<uint8_t>(key));
                keys = step.keys;
                break;
            }
            case ReplayStep::Kind::Input:
                WriteInput(out, step.input);
                break;
        }
    }
    const ReplayEnd& end = replay.end;
    Signed(out, end.score);
    Signed(out, end.level);
    Signed(out, end.lives);
    Varint(out, static_cast<uint64_t>(end.frames));
    out.U8(end.ended ? 1 : 0);

    uLongf packedSize = compressBound(raw.size());
    std::vector<uint8_t> file(kHeaderSize + packedSize);
    std::copy(kMagic, kMagic + kMagicSize, file.begin());
    file[kMagicSize] = kFormat;
    for (int i = 0; i < 4; ++i) file[kMagicSize + 1 + i] = static_cast<uint8_t>(raw.size() >> (8 * i));
    if (compress2(file.data() + kHeaderSize, &packedSize, raw.data(), raw.size(), Z_BEST_COMPRESSION) != Z_OK)
        throw GameError("The replay could not be packed");
    file.resize(kHeaderSize + packedSize);
    return file;
}

Replay DecodeReplay(std::span<const uint8_t> bytes, const ReplayLimits& limits) {
    const std::vector<uint8_t> raw = Unpack(bytes, limits);
    ByteReader in(raw, kDamaged);
    Replay replay;
    replay.start = ReadStart(in);
    const uint64_t count = Varint(in);
    // Every step takes at least a byte. A step takes more room read than packed: the room grows
    // with the steps there really are, not with what the count says.
    if (count > in.Remaining()) throw GameError(kDamaged);
    if (count > limits.maxSteps) throw GameError("The replay is too large");
    replay.steps.reserve(std::min<size_t>(static_cast<size_t>(count), kStepsReadyFirst));
    const int64_t maxLag = limits.maxPlayMs / kLagStepMs;
    int64_t lagTotal = 0;
    int64_t frames = 0;
    std::bitset<256> keys;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t first = in.U8();
        ReplayStep step;
        step.kind = static_cast<ReplayStep::Kind>(first & 3);
        const uint64_t value = HeadValue(in, first);
        switch (step.kind) {
            case ReplayStep::Kind::Frame:
                step.lag = Bounded(static_cast<int64_t>(std::min<uint64_t>(value, INT32_MAX)), 1, INT32_MAX);
                lagTotal += step.lag;
                ++frames;
                if (lagTotal > maxLag) throw GameError("The replay is longer than the game can be played");
                break;
            case ReplayStep::Kind::Timer:
                step.timer = Bounded(static_cast<int64_t>(std::min<uint64_t>(value, 100)), 0, 4);
                break;
            case ReplayStep::Kind::Keys:
                if (value > 256) throw GameError(kDamaged);
                for (uint64_t k = 0; k < value; ++k) keys.flip(in.U8());
                step.keys = keys;
                break;
            case ReplayStep::Kind::Input:
                step.input = ReadInput(in, value);
                break;
        }
        replay.steps.push_back(step);
    }
    ReplayEnd& end = replay.end;
    end.score = Bounded(Signed(in), INT32_MIN, INT32_MAX);
    end.level = Bounded(Signed(in), 0, INT32_MAX);
    end.lives = Bounded(Signed(in), INT32_MIN, INT32_MAX);
    end.frames = static_cast<int64_t>(Varint(in));
    end.ended = Bounded(in.U8(), 0, 1) == 1;
    if (end.frames != frames || !in.AtEnd()) throw GameError(kDamaged);
    return replay;
}

Replay ReadReplayFile(const std::string& path, const ReplayLimits& limits) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw GameError(FormatMessage("Cannot read the replay '%s'", path.c_str()));
    std::vector<uint8_t> bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > limits.maxFileBytes)
            throw GameError(FormatMessage("%s: The replay is too large", path.c_str()));
    }
    if (in.bad()) throw GameError(FormatMessage("Cannot read the replay '%s'", path.c_str()));
    try {
        return DecodeReplay(bytes, limits);
    } catch (const GameError& error) {
        throw GameError(FormatMessage("%s: %s", path.c_str(), error.what()));
    }
}

void WriteReplayFile(const std::string& path, const Replay& replay) {
    const std::vector<uint8_t> bytes = EncodeReplay(replay);
    WriteConfigFile(path, std::string(bytes.begin(), bytes.end()));
}

std::array<uint8_t, 32> DataIdentity(const std::vector<std::string>& packPaths) {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw GameError("Cannot compute the data's identity");
    for (const std::string& path : packPaths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw GameError(FormatMessage("Cannot read '%s'", path.c_str()));
        char buffer[65536];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
            EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(in.gcount()));
        if (in.bad()) throw GameError(FormatMessage("Cannot read '%s'", path.c_str()));
    }
    std::array<uint8_t, 32> identity{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(context.get(), identity.data(), &size);
    return identity;
}

std::string HexIdentity(const std::array<uint8_t, 32>& identity) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (const uint8_t byte : identity) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}
