#include "app/text_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The conversions written out the long way, through a text of "0" and "1" characters. The game's
// fast form must give exactly the same symbols and bytes.
std::string ReferenceEncode(const std::string& text) {
    std::string bits;
    for (unsigned char c : text) {
        for (int bit = 7; bit >= 0; --bit) bits.push_back(((c >> bit) & 1) ? '1' : '0');
    }
    while (bits.size() % 5 != 0) bits.insert(bits.begin(), '0');
    std::string result;
    for (size_t i = 0; i < bits.size(); i += 5) {
        result.push_back(kCodecAlphabet[std::stoi(bits.substr(i, 5), nullptr, 2)]);
    }
    return result;
}

std::string ReferenceDecode(const std::string& symbols) {
    std::string bits;
    for (char c : symbols) {
        const size_t value = kCodecAlphabet.find(c);
        if (value == std::string_view::npos) continue;
        for (int bit = 4; bit >= 0; --bit) bits.push_back(((value >> bit) & 1) ? '1' : '0');
    }
    while (bits.size() % 8 != 0) bits.insert(bits.begin(), '0');
    std::string result;
    for (size_t i = 0; i < bits.size(); i += 8) {
        result.push_back(static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2)));
    }
    return result;
}

// Every byte value at every length 0..12 (texts of one repeated byte), every single byte, and
// random texts from a fixed seed.
std::vector<std::string> PlainTexts() {
    std::vector<std::string> texts;
    for (size_t length = 0; length <= 12; ++length) {
        for (int byte = 0; byte < 256; ++byte) texts.emplace_back(length, static_cast<char>(byte));
    }
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> anyByte(0, 255);
    for (size_t length = 0; length <= 12; ++length) {
        for (int i = 0; i < 500; ++i) {
            std::string text;
            for (size_t j = 0; j < length; ++j) text.push_back(static_cast<char>(anyByte(random)));
            texts.push_back(text);
        }
    }
    return texts;
}

TEST(TextCodec, EncodeMatchesBitStringMethod) {
    for (const auto& text : PlainTexts()) {
        ASSERT_EQ(EncodeText(text), ReferenceEncode(text)) << "length " << text.size();
    }
}

TEST(TextCodec, DecodeMatchesBitStringMethod) {
    // Symbol texts up to 20 characters (what 12 bytes encode to), drawn from the alphabet mixed
    // with bytes outside it, plus every byte value as a one-character text.
    std::vector<std::string> texts;
    for (int byte = 0; byte < 256; ++byte) texts.emplace_back(1, static_cast<char>(byte));
    std::mt19937 random(77);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<size_t> anySymbol(0, kCodecAlphabet.size() - 1);
    std::bernoulli_distribution foreign(0.2);
    for (size_t length = 0; length <= 20; ++length) {
        for (int i = 0; i < 500; ++i) {
            std::string text;
            for (size_t j = 0; j < length; ++j) {
                text.push_back(foreign(random) ? static_cast<char>(anyByte(random))
                                               : kCodecAlphabet[anySymbol(random)]);
            }
            texts.push_back(text);
        }
    }
    for (const auto& text : texts) {
        ASSERT_EQ(DecodeText(text), ReferenceDecode(text)) << "symbols '" << text << "'";
    }
}

TEST(TextCodec, DecodeUndoesEncode) {
    // Multiples of 5 come back exactly; any other length gains one byte 0 in front.
    for (const auto& text : PlainTexts()) {
        const std::string expected = text.size() % 5 == 0 ? text : std::string(1, '\0') + text;
        ASSERT_EQ(DecodeText(EncodeText(text)), expected) << "length " << text.size();
    }
}

TEST(TextCodec, KnownCases) {
    using namespace std::string_literals;
    EXPECT_EQ(EncodeText("abc"), "GC2VD");
    EXPECT_EQ(DecodeText("GC2VD"), "\0abc"s);
    EXPECT_EQ(EncodeText(""), "");
    EXPECT_EQ(DecodeText(""), "");
    EXPECT_EQ(EncodeText("Hello").size(), 8u);
    EXPECT_EQ(DecodeText(EncodeText("Hello")), "Hello");
    EXPECT_EQ(EncodeText("\xFF\xFF\xFF\xFF\xFF"), "99999999");
    EXPECT_EQ(EncodeText("\0\0\0\0\0"s), "AAAAAAAA");
    // Small letters, "0", "I", "O", "Z", spaces and line ends are not symbols and are skipped.
    EXPECT_EQ(DecodeText("gG0CI2OVZD \r\n"), "\0abc"s);
    EXPECT_EQ(DecodeText("io0z"), "");
}

}  // namespace
