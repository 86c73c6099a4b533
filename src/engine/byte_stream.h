#pragma once
// Little-endian reading and writing over byte buffers, for the pack, DIB and WAVE formats.
// Every read checks what is left first: packs come from disk and are not trusted, so a short
// buffer raises the caller's error text instead of reading past the end.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_writer.h"
#include "base/errors.h"

class ByteReader {
public:
    // errorText is what a read past the end raises ("Stream read error", "DIB is invalid", ...).
    ByteReader(std::span<const uint8_t> bytes, const char* errorText)
        : bytes_(bytes), errorText_(errorText) {}

    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }

    uint8_t PeekU8() const {
        Need(1);
        return bytes_[position_];
    }
    uint8_t U8() {
        Need(1);
        return bytes_[position_++];
    }
    uint16_t U16() {
        Need(2);
        uint16_t value = static_cast<uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }
    uint32_t U32() {
        Need(4);
        uint32_t value = static_cast<uint32_t>(bytes_[position_]) |
                         (static_cast<uint32_t>(bytes_[position_ + 1]) << 8) |
                         (static_cast<uint32_t>(bytes_[position_ + 2]) << 16) |
                         (static_cast<uint32_t>(bytes_[position_ + 3]) << 24);
        position_ += 4;
        return value;
    }
    int8_t I8() { return static_cast<int8_t>(U8()); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }

    std::span<const uint8_t> Take(uint64_t count) {
        Need(count);
        std::span<const uint8_t> part = bytes_.subspan(position_, static_cast<size_t>(count));
        position_ += static_cast<size_t>(count);
        return part;
    }
    std::string TakeString(uint64_t count) {
        std::span<const uint8_t> part = Take(count);
        return std::string(reinterpret_cast<const char*>(part.data()), part.size());
    }
    void Skip(uint64_t count) { Take(count); }
    void Seek(size_t position) {
        if (position > bytes_.size()) throw GameError(errorText_);
        position_ = position;
    }

private:
    void Need(uint64_t count) const {
        if (count > Remaining()) throw GameError(errorText_);
    }

    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    const char* errorText_;
};
