#include "app/text_codec.h"

#include <array>
#include <cstdint>

namespace {

// Symbol value by character code, -1 for characters outside the alphabet.
constexpr std::array<int8_t, 256> MakeSymbolValues() {
    std::array<int8_t, 256> values{};
    for (auto& value : values) value = -1;
    for (size_t i = 0; i < kCodecAlphabet.size(); ++i) {
        values[static_cast<unsigned char>(kCodecAlphabet[i])] = static_cast<int8_t>(i);
    }
    return values;
}

constexpr std::array<int8_t, 256> kSymbolValues = MakeSymbolValues();

}  // namespace

// Both conversions stream the bits through a small accumulator. Starting the accumulator with the
// zero bits that belong in front gives exactly the groups the bit-string method cuts.
std::string EncodeText(std::string_view text) {
    const size_t bitCount = text.size() * 8;
    const size_t symbolCount = (bitCount + 4) / 5;
    std::string result;
    result.reserve(symbolCount);
    uint32_t bits = 0;
    unsigned pending = static_cast<unsigned>(symbolCount * 5 - bitCount);  // the leading zeros
    for (char c : text) {
        bits = (bits << 8) | static_cast<unsigned char>(c);
        pending += 8;
        while (pending >= 5) {
            pending -= 5;
            result.push_back(kCodecAlphabet[(bits >> pending) & 31u]);
        }
        bits &= (1u << pending) - 1u;
    }
    return result;
}

std::string DecodeText(std::string_view symbols) {
    size_t symbolCount = 0;
    for (char c : symbols) {
        if (kSymbolValues[static_cast<unsigned char>(c)] >= 0) ++symbolCount;
    }
    const size_t bitCount = symbolCount * 5;
    const size_t byteCount = (bitCount + 7) / 8;
    std::string result;
    result.reserve(byteCount);
    uint32_t bits = 0;
    unsigned pending = static_cast<unsigned>(byteCount * 8 - bitCount);  // the leading zeros
    for (char c : symbols) {
        const int value = kSymbolValues[static_cast<unsigned char>(c)];
        if (value < 0) continue;
        bits = (bits << 5) | static_cast<uint32_t>(value);
        pending += 5;
        if (pending >= 8) {
            pending -= 8;
            result.push_back(static_cast<char>((bits >> pending) & 0xFFu));
        }
        bits &= (1u << pending) - 1u;
    }
    return result;
}
