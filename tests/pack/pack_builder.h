#pragma once
// A tiny byte-stream builder for hand-made packs, DIBs and WAVE images in the tests.
// Every value is spelled out tag by tag, so each test shows exactly what the reader is given.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class Bytes {
public:
    Bytes() = default;
    Bytes(std::initializer_list<uint8_t> bytes) : data_(bytes) {}

    Bytes& U8(uint8_t v) {
        data_.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
    Bytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
    Bytes& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    Bytes& Text(std::string_view text) {
        data_.insert(data_.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Add(const std::vector<uint8_t>& bytes) {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& Add(const Bytes& bytes) { return Add(bytes.data_); }
    Bytes& Short(std::string_view text) { return U8(static_cast<uint8_t>(text.size())).Text(text); }

    // Component stream values.
    Bytes& Prop(std::string_view name) { return Short(name); }
    Bytes& Int8(int8_t v) { return U8(2).U8(static_cast<uint8_t>(v)); }
    Bytes& Int16(int16_t v) { return U8(3).U16(static_cast<uint16_t>(v)); }
    Bytes& Int32(int32_t v) { return U8(4).I32(v); }
    Bytes& Str(std::string_view text) { return U8(6).Short(text); }
    Bytes& LStr(std::string_view text) { return U8(12).U32(static_cast<uint32_t>(text.size())).Text(text); }
    Bytes& Utf8(std::string_view text) { return U8(20).U32(static_cast<uint32_t>(text.size())).Text(text); }
    Bytes& WStr(std::u16string_view text) {
        U8(18).U32(static_cast<uint32_t>(text.size()));
        for (char16_t c : text) U16(static_cast<uint16_t>(c));
        return *this;
    }
    Bytes& Ident(std::string_view name) { return U8(7).Short(name); }
    Bytes& False() { return U8(8); }
    Bytes& True() { return U8(9); }
    Bytes& Binary(const Bytes& content) {
        return U8(10).U32(static_cast<uint32_t>(content.size())).Add(content);
    }
    Bytes& Collection() { return U8(14); }
    Bytes& ListBegin() { return U8(1); }
    Bytes& End() { return U8(0); }

    // Resource header, signature, root class and an empty object name.
    Bytes& PackStart(std::string_view className) {
        U8(0xFF).U16(10);
        for (char c : className) U8(static_cast<uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
        return U8(0).U16(0x1030).U32(0).Text("TPF0").Short(className).Short("");
    }
    Bytes& GraphicsStart() { return PackStart("TPictureCollectionComponent"); }
    Bytes& SoundStart() { return PackStart("TWaveCollectionComponent"); }
    // After the item list: end of the list, of the properties, of the (empty) children.
    Bytes& PackEnd() { return End().End().End(); }

    size_t size() const { return data_.size(); }
    const std::vector<uint8_t>& data() const { return data_; }
    operator const std::vector<uint8_t>&() const { return data_; }

private:
    std::vector<uint8_t> data_;
};

// A long (40-byte) DIB header.
inline Bytes LongDibHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression = 0,
                           uint32_t colorsUsed = 0) {
    Bytes b;
    b.U32(40)
        .I32(width)
        .I32(height)
        .U16(1)
        .U16(bitCount)
        .U32(compression)
        .U32(0)
        .U32(0)
        .U32(0)
        .U32(colorsUsed)
        .U32(0);
    return b;
}

// A short (12-byte) DIB header.
inline Bytes ShortDibHeader(uint16_t width, uint16_t height, uint16_t bitCount) {
    Bytes b;
    b.U32(12).U16(width).U16(height).U16(1).U16(bitCount);
    return b;
}

// "Picture.Data" contents: the graphic class name, then the DIB.
inline Bytes PictureData(const Bytes& dib) {
    Bytes b;
    b.Short("TDIB").Add(dib);
    return b;
}

// A 1x1 24-bit DIB of one colour (0xRRGGBB).
inline Bytes TinyDib(uint32_t rgb) {
    Bytes b = LongDibHeader(1, 1, 24);
    b.U8(static_cast<uint8_t>(rgb))
        .U8(static_cast<uint8_t>(rgb >> 8))
        .U8(static_cast<uint8_t>(rgb >> 16))
        .U8(0);
    return b;
}

// A RIFF WAVE image: PCM format, optional extra chunks before "fmt ", then "data".
inline Bytes WaveImage(uint16_t channels, uint32_t rate, uint16_t bits, const std::vector<uint8_t>& samples,
                       const Bytes& extraChunks = {}) {
    Bytes body;
    body.Text("WAVE").Add(extraChunks);
    const uint16_t blockAlign = static_cast<uint16_t>(channels * bits / 8);
    body.Text("fmt ").U32(16).U16(1).U16(channels).U32(rate).U32(rate * blockAlign).U16(blockAlign).U16(bits);
    body.Text("data").U32(static_cast<uint32_t>(samples.size())).Add(samples);
    if (samples.size() & 1) body.U8(0);
    Bytes riff;
    riff.Text("RIFF").U32(static_cast<uint32_t>(body.size())).Add(body);
    return riff;
}
