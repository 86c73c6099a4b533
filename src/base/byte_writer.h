#pragma once
// Little-endian bytes appended to a vector: the one writer of the packs, the sound images and
// the modules.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    size_t Position() const { return out_.size(); }
    void U8(uint8_t value) { out_.push_back(value); }
    void U16(uint16_t value) {
        out_.push_back(static_cast<uint8_t>(value));
        out_.push_back(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<uint8_t>(value >> shift));
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void Bytes(std::span<const uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    // A byte at a time: GCC's -O3 sees a bulk insert of a short literal as an overflow.
    void Text(std::string_view text) {
        for (const char c : text) out_.push_back(static_cast<uint8_t>(c));
    }
    // Exactly `width` bytes: the text cut or filled up with zeros.
    void FixedText(std::string_view text, size_t width) {
        for (size_t i = 0; i < width; ++i)
            out_.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    // Overwrites a 32-bit value written earlier (sizes known only once the content is out).
    void PatchU32(size_t position, uint32_t value) {
        for (int i = 0; i < 4; ++i) out_[position + i] = static_cast<uint8_t>(value >> (8 * i));
    }

private:
    std::vector<uint8_t>& out_;
};
