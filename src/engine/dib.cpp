#include "engine/dib.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "base/errors.h"
#include "engine/byte_stream.h"

namespace {

constexpr const char* kDibInvalid = "DIB is invalid";
constexpr uint32_t kOpaque = 0xFF000000u;

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

[[noreturn]] void Invalid() {
    throw GameError(kDibInvalid);
}

// One colour channel of a bit-field picture, scaled to 8 bits.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit MaskChannel(uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    uint32_t Extract(uint32_t value) const {
        if (max == 0) return 0;
        uint64_t part = (value & mask) >> shift;
        return static_cast<uint32_t>((part * 255 + max / 2) / max);
    }
};

struct DibHeader {
    int64_t width = 0;
    int64_t rows = 0;
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;
    bool shortHeader = false;
};

DibHeader ReadHeader(ByteReader& in, int64_t pixelBudget) {
    DibHeader header;
    uint32_t headerSize = in.U32();
    int64_t height = 0;
    if (headerSize == 12) {
        header.shortHeader = true;
        header.width = in.U16();
        height = in.U16();
        in.U16();  // planes
        header.bitCount = in.U16();
    } else if (headerSize == 40) {
        header.width = in.I32();
        height = in.I32();
        in.U16();  // planes
        header.bitCount = in.U16();
        header.compression = in.U32();
        in.U32();  // image size: recomputed from the header, so a wrong value does not matter
        in.U32();  // horizontal resolution
        in.U32();  // vertical resolution
        header.colorsUsed = in.U32();
        in.U32();  // colours important
    } else {
        Invalid();
    }
    header.topDown = height < 0;
    header.rows = height < 0 ? -height : height;
    if (header.width <= 0 || header.rows <= 0 || header.width > kMaxPictureSide ||
        header.rows > kMaxPictureSide ||
        header.width * header.rows > std::min(kMaxPicturePixels, pixelBudget)) {
        Invalid();
    }
    switch (header.bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            Invalid();
    }
    bool fits = header.compression == kRgb || (header.compression == kRle8 && header.bitCount == 8) ||
                (header.compression == kRle4 && header.bitCount == 4) ||
                (header.compression == kBitFields && (header.bitCount == 16 || header.bitCount == 32));
    if (!fits) Invalid();
    return header;
}

class PixelSink {
public:
    PixelSink(Picture& picture, bool topDown) : picture_(picture), topDown_(topDown) {}
    // Row of the picture (top row first) for the n-th row of the stream.
    uint32_t* Row(int64_t streamRow) {
        int64_t row = topDown_ ? streamRow : picture_.height - 1 - streamRow;
        return picture_.pixels.data() + row * picture_.width;
    }

private:
    Picture& picture_;
    bool topDown_;
};

void DecodeIndexedRows(ByteReader& in, const DibHeader& header, const std::array<uint32_t, 256>& palette,
                       PixelSink& sink) {
    const int64_t stride = ((header.width * header.bitCount + 31) / 32) * 4;
    if (static_cast<uint64_t>(stride * header.rows) > in.Remaining()) Invalid();
    for (int64_t y = 0; y < header.rows; ++y) {
        const uint8_t* src = in.Take(static_cast<uint64_t>(stride)).data();
        uint32_t* dst = sink.Row(y);
        for (int64_t x = 0; x < header.width; ++x) {
            uint8_t index = 0;
            switch (header.bitCount) {
                case 1:
                    index = (src[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    index = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
                    break;
                default:
                    index = src[x];
                    break;
            }
            dst[x] = palette[index];
        }
    }
}

// Run-length pictures: pixels the stream never sets keep colour 0 of the table.
void DecodeRunLength(ByteReader& in, const DibHeader& header, const std::array<uint32_t, 256>& palette,
                     PixelSink& sink, Picture& picture) {
    const bool fourBit = header.compression == kRle4;
    std::fill(picture.pixels.begin(), picture.pixels.end(), palette[0]);
    int64_t x = 0;
    int64_t y = 0;
    auto put = [&](uint8_t index) {
        if (x < header.width && y < header.rows) sink.Row(y)[x] = palette[index];
        ++x;
    };
    while (y < header.rows && !in.AtEnd()) {
        uint8_t count = in.U8();
        uint8_t value = in.U8();
        if (count > 0) {
            for (int i = 0; i < count && x < header.width; ++i) {
                put(fourBit ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of picture
                return;
            case 2: {  // move right and up (down the stream)
                uint8_t dx = in.U8();
                uint8_t dy = in.U8();
                x += dx;
                y += dy;
                break;
            }
            default: {  // a literal run, padded to a 16-bit boundary
                size_t bytes = fourBit ? (value + 1u) / 2u : value;
                std::span<const uint8_t> literal = in.Take(bytes);
                for (int i = 0; i < value && x < header.width; ++i) {
                    put(fourBit ? ((i & 1) ? (literal[i >> 1] & 0x0F) : (literal[i >> 1] >> 4)) : literal[i]);
                }
                if ((bytes & 1) && !in.AtEnd()) in.Skip(1);
                break;
            }
        }
    }
}

void DecodeDirectRows(ByteReader& in, const DibHeader& header, uint32_t redMask, uint32_t greenMask,
                      uint32_t blueMask, PixelSink& sink, Picture& picture) {
    const int64_t stride = ((header.width * header.bitCount + 31) / 32) * 4;
    if (static_cast<uint64_t>(stride * header.rows) > in.Remaining()) Invalid();
    const MaskChannel red(redMask), green(greenMask), blue(blueMask);
    // The fourth byte of a 32-bit picture is its alpha unless a mask claims it.
    const bool alphaByte = header.bitCount == 32 && (header.compression == kRgb ||
                                                     ((redMask | greenMask | blueMask) & 0xFF000000u) == 0);
    uint32_t alphaSeen = 0;
    for (int64_t y = 0; y < header.rows; ++y) {
        const uint8_t* src = in.Take(static_cast<uint64_t>(stride)).data();
        uint32_t* dst = sink.Row(y);
        if (header.bitCount == 24) {
            for (int64_t x = 0; x < header.width; ++x) {
                const uint8_t* p = src + x * 3;
                dst[x] = kOpaque | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            }
        } else if (header.bitCount == 32 && header.compression == kRgb) {
            for (int64_t x = 0; x < header.width; ++x) {
                uint32_t value;
                if constexpr (std::endian::native == std::endian::little) {
                    std::memcpy(&value, src + x * 4, 4);
                } else {
                    const uint8_t* p = src + x * 4;
                    value = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                            (uint32_t{p[3]} << 24);
                }
                dst[x] = value;
                alphaSeen |= value;
            }
        } else {
            const int bytesPerPixel = header.bitCount / 8;
            for (int64_t x = 0; x < header.width; ++x) {
                const uint8_t* p = src + x * bytesPerPixel;
                uint32_t value = bytesPerPixel == 2 ? uint32_t{p[0]} | (uint32_t{p[1]} << 8)
                                                    : uint32_t{p[0]} | (uint32_t{p[1]} << 8) |
                                                          (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
                uint32_t alpha = alphaByte ? (value & 0xFF000000u) : 0;
                alphaSeen |= alpha;
                dst[x] =
                    alpha | (red.Extract(value) << 16) | (green.Extract(value) << 8) | blue.Extract(value);
            }
        }
    }
    if (!alphaByte || (alphaSeen & 0xFF000000u) == 0) {
        picture.hasAlpha = false;
        for (uint32_t& pixel : picture.pixels) pixel |= kOpaque;
    } else {
        picture.hasAlpha = true;
    }
}

}  // namespace

Picture DecodeDib(std::span<const uint8_t> bytes, int64_t pixelBudget) {
    ByteReader in(bytes, kDibInvalid);
    const DibHeader header = ReadHeader(in, pixelBudget);

    uint32_t redMask = 0x7C00, greenMask = 0x03E0, blueMask = 0x001F;  // 16-bit default: 5-5-5
    if (header.compression == kBitFields) {
        redMask = in.U32();
        greenMask = in.U32();
        blueMask = in.U32();
    }

    uint32_t tableSize = header.colorsUsed;
    if (tableSize == 0 && header.bitCount <= 8) tableSize = 1u << header.bitCount;
    tableSize = std::min<uint32_t>(tableSize, 256);
    const int entrySize = header.shortHeader ? 3 : 4;
    std::span<const uint8_t> table = in.Take(uint64_t{tableSize} * entrySize);

    Picture picture;
    picture.width = static_cast<int32_t>(header.width);
    picture.height = static_cast<int32_t>(header.rows);
    picture.bitCount = header.bitCount;
    // Indices past the end of a short table read as black, as with a zero-filled 256-entry table.
    std::array<uint32_t, 256> palette{};
    for (uint32_t i = 0; i < tableSize; ++i) {
        const uint8_t* entry = table.data() + i * entrySize;
        palette[i] = (uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0];
    }
    if (header.bitCount <= 8) picture.palette.assign(palette.begin(), palette.begin() + tableSize);
    for (uint32_t& colour : palette) colour |= kOpaque;

    picture.pixels.resize(static_cast<size_t>(header.width * header.rows));
    PixelSink sink(picture, header.topDown);
    if (header.compression == kRle8 || header.compression == kRle4) {
        DecodeRunLength(in, header, palette, sink, picture);
    } else if (header.bitCount <= 8) {
        DecodeIndexedRows(in, header, palette, sink);
    } else {
        DecodeDirectRows(in, header, redMask, greenMask, blueMask, sink, picture);
    }
    return picture;
}

std::vector<uint8_t> EncodeDib(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.width > kMaxPictureSide ||
        picture.height > kMaxPictureSide ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
        throw GameError(kDibInvalid);
    }
    const uint32_t imageBytes = static_cast<uint32_t>(picture.pixels.size() * 4);
    std::vector<uint8_t> bytes;
    bytes.reserve(40 + imageBytes);
    ByteWriter out(bytes);
    out.U32(40);
    out.I32(picture.width);
    out.I32(picture.height);  // positive: bottom row first
    out.U16(1);
    out.U16(32);
    out.U32(kRgb);
    out.U32(imageBytes);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U32(0);
    const uint32_t keep = picture.hasAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    size_t at = bytes.size();
    bytes.resize(at + imageBytes);
    for (int32_t y = picture.height - 1; y >= 0; --y) {
        const uint32_t* row = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        for (int32_t x = 0; x < picture.width; ++x, at += 4) {
            const uint32_t value = row[x] & keep;
            bytes[at] = static_cast<uint8_t>(value);
            bytes[at + 1] = static_cast<uint8_t>(value >> 8);
            bytes[at + 2] = static_cast<uint8_t>(value >> 16);
            bytes[at + 3] = static_cast<uint8_t>(value >> 24);
        }
    }
    return bytes;
}
