#include "engine/dib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "pack_builder.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// Colour-table entries after a long header: blue, green, red, reserved.
Bytes Palette4(std::initializer_list<uint32_t> colors) {
    Bytes b;
    for (uint32_t c : colors) b.U8(c & 0xFF).U8((c >> 8) & 0xFF).U8((c >> 16) & 0xFF).U8(0);
    return b;
}

std::vector<uint32_t> Opaque(std::initializer_list<uint32_t> rgb) {
    std::vector<uint32_t> out;
    for (uint32_t c : rgb) out.push_back(kOpaque | c);
    return out;
}

struct DibCase {
    std::string name;
    Bytes dib;
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;  // top row first
    bool hasAlpha;
};

std::vector<DibCase> DibCases() {
    std::vector<DibCase> cases;
    const uint32_t a = 0xFF8040;
    // 3x2, rows padded to 4 bytes, bottom row first: bottom 0 1 1, top 1 0 1.
    cases.push_back(
        {"1 bit, long header, bottom-up",
         LongDibHeader(3, 2, 1).Add(Palette4({0x000000, a})).Add(Bytes{0x60, 0, 0, 0, 0xA0, 0, 0, 0}), 3, 2,
         Opaque({a, 0, a, 0, a, a}), false});
    cases.push_back({"1 bit, short header with 3-byte colour entries",
                     ShortDibHeader(3, 2, 1)
                         .Add(Bytes{0, 0, 0, 0x40, 0x80, 0xFF})
                         .Add(Bytes{0x60, 0, 0, 0, 0xA0, 0, 0, 0}),
                     3, 2, Opaque({a, 0, a, 0, a, a}), false});
    cases.push_back({"4 bit, top-down, 3 colours used",
                     LongDibHeader(3, -2, 4, 0, 3)
                         .Add(Palette4({0x112233, 0x445566, 0x778899}))
                         .Add(Bytes{0x21, 0x00, 0, 0, 0x11, 0x20, 0, 0}),
                     3, 2, Opaque({0x778899, 0x445566, 0x112233, 0x445566, 0x445566, 0x778899}), false});
    cases.push_back({"8 bit, index past a short table reads black",
                     LongDibHeader(2, 1, 8, 0, 2).Add(Palette4({0x0000FF, 0x00FF00})).Add(Bytes{1, 5, 0, 0}),
                     2, 1, Opaque({0x00FF00, 0x000000}), false});
    {
        Bytes table;
        for (int i = 0; i < 256; ++i) table.Add(Palette4({i == 200 ? 0xABCDEFu : 0x010101u * i}));
        cases.push_back({"8 bit, no colours-used count: a full 256-entry table",
                         LongDibHeader(1, 1, 8).Add(table).Add(Bytes{200, 0, 0, 0}), 1, 1, Opaque({0xABCDEF}),
                         false});
        cases.push_back({"8 bit, colours used above 256 reads 256 entries",
                         LongDibHeader(1, 1, 8, 0, 300).Add(table).Add(Bytes{200, 0, 0, 0}), 1, 1,
                         Opaque({0xABCDEF}), false});
    }
    cases.push_back({"16 bit, default 5-5-5", LongDibHeader(2, 1, 16).Add(Bytes{0x00, 0x7C, 0x1F, 0x02}), 2,
                     1, Opaque({0xFF0000, 0x0084FF}), false});
    cases.push_back({"16 bit, bit fields 5-6-5",
                     LongDibHeader(3, 1, 16, 3)
                         .U32(0xF800)
                         .U32(0x07E0)
                         .U32(0x001F)
                         .Add(Bytes{0x00, 0xF8, 0xE0, 0x07, 0x00, 0x04, 0, 0}),
                     3, 1, Opaque({0xFF0000, 0x00FF00, 0x008200}), false});
    cases.push_back({"24 bit, bottom-up, padded rows",
                     LongDibHeader(3, 2, 24).Add(Bytes{3, 2, 1,    6, 5,    4, 9,    8, 7, 0, 0, 0,  //
                                                       0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0}),
                     3, 2, Opaque({0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0x040506, 0x070809}), false});
    cases.push_back({"24 bit, short header", ShortDibHeader(1, 1, 24).Add(Bytes{0x33, 0x22, 0x11, 0}), 1, 1,
                     Opaque({0x112233}), false});
    cases.push_back({"32 bit, fourth byte zero everywhere: opaque",
                     LongDibHeader(2, 1, 32).Add(Bytes{0x11, 0x22, 0x33, 0, 0x44, 0x55, 0x66, 0}), 2, 1,
                     Opaque({0x332211, 0x665544}), false});
    cases.push_back({"32 bit, fourth byte is alpha",
                     LongDibHeader(2, 1, 32).Add(Bytes{0x11, 0x22, 0x33, 0x80, 0x44, 0x55, 0x66, 0}),
                     2,
                     1,
                     {0x80332211, 0x00665544},
                     true});
    cases.push_back(
        {"32 bit, bit fields in R-G-B-x byte order",
         LongDibHeader(1, 1, 32, 3).U32(0x0000FF).U32(0x00FF00).U32(0xFF0000).Add(Bytes{0x11, 0x22, 0x33, 0}),
         1, 1, Opaque({0x112233}), false});
    {
        const uint32_t k0 = 0x101010, k1 = 0xAA0000, k2 = 0x00BB00, k3 = 0x0000CC;
        Bytes rle8 = LongDibHeader(4, 3, 8, 1, 4).Add(Palette4({k0, k1, k2, k3}));
        rle8.Add(Bytes{3, 1, 0, 0});              // bottom row: run of three 1s, end of line
        rle8.Add(Bytes{0, 3, 2, 3, 2, 0, 0, 0});  // literal 2 3 2 (padded), end of line
        rle8.Add(Bytes{0, 2, 2, 0, 1, 3, 0, 1});  // move right by 2, one 3, end of picture
        cases.push_back({"RLE8: runs, literal, end of line, move, end of picture", rle8, 4, 3,
                         Opaque({k0, k0, k3, k0, k2, k3, k2, k0, k1, k1, k1, k0}), false});
        Bytes up = LongDibHeader(3, 2, 8, 1, 4).Add(Palette4({k0, k1, k2, k3}));
        up.Add(Bytes{0, 2, 1, 1, 2, 3, 0, 1});  // move (1, 1) into the top row, then two 3s
        cases.push_back(
            {"RLE8: a move that changes rows", up, 3, 2, Opaque({k0, k3, k3, k0, k0, k0}), false});
        Bytes rle4 = LongDibHeader(4, 2, 4, 2, 4).Add(Palette4({k0, k1, k2, k3}));
        rle4.Add(Bytes{4, 0x12, 0, 0});           // bottom row: 1 2 1 2
        rle4.Add(Bytes{0, 3, 0x31, 0x20, 0, 1});  // literal 3 1 2, end of picture
        cases.push_back(
            {"RLE4: alternating run, literal", rle4, 4, 2, Opaque({k3, k1, k2, k0, k1, k2, k1, k2}), false});
        Bytes odd = LongDibHeader(6, 1, 4, 2, 4).Add(Palette4({k0, k1, k2, k3}));
        odd.Add(Bytes{0, 5, 0x12, 0x31, 0x20, 0, 1, 0x30, 0, 1});  // 5-pixel literal is 3 bytes + pad
        cases.push_back(
            {"RLE4: odd literal padded to 16 bits", odd, 6, 1, Opaque({k1, k2, k3, k1, k2, k3}), false});
    }
    return cases;
}

TEST(DibDecode, DecodesEveryVariant) {
    for (const DibCase& c : DibCases()) {
        SCOPED_TRACE(c.name);
        Picture picture;
        ASSERT_NO_THROW(picture = DecodeDib(c.dib.data()));
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        EXPECT_EQ(picture.hasAlpha, c.hasAlpha);
        EXPECT_EQ(picture.pixels, c.pixels);
    }
}

TEST(DibDecode, KeepsTheColourTableOfIndexedPicturesOnly) {
    Picture indexed = DecodeDib(LongDibHeader(1, 1, 4, 0, 3)
                                    .Add(Palette4({0x112233, 0x445566, 0x778899}))
                                    .Add(Bytes{0x20, 0, 0, 0})
                                    .data());
    EXPECT_EQ(indexed.bitCount, 4);
    EXPECT_EQ(indexed.palette, (std::vector<uint32_t>{0x112233, 0x445566, 0x778899}));
    Picture direct =
        DecodeDib(LongDibHeader(1, 1, 24, 0, 2).Add(Palette4({1, 2})).Add(Bytes{1, 2, 3, 0}).data());
    EXPECT_EQ(direct.bitCount, 24);
    EXPECT_TRUE(direct.palette.empty());
    EXPECT_EQ(direct.pixels[0], 0xFF030201u);  // the 24-bit table is skipped, not read as pixels
}

TEST(DibDecode, RejectsMalformedPictures) {
    const Bytes row24{1, 2, 3, 0};
    struct Bad {
        std::string name;
        Bytes dib;
    };
    Bytes v4Header;
    v4Header.U32(108).I32(1).I32(1).U16(1).U16(24);
    for (int i = 0; i < 100; ++i) v4Header.U8(0);
    const std::vector<Bad> cases = {
        {"header size 108", v4Header},
        {"short header cut off", Bytes{12, 0, 0, 0, 1, 0, 1, 0}},
        {"long header cut off", Bytes{40, 0, 0, 0, 1, 0, 0, 0}},
        {"2 bits per pixel", LongDibHeader(1, 1, 2).Add(Palette4({0, 0, 0, 0})).Add(row24)},
        {"compression 4", LongDibHeader(1, 1, 24, 4).Add(row24)},
        {"RLE8 on a 4-bit picture", LongDibHeader(1, 1, 4, 1, 1).Add(Palette4({0})).Add(Bytes{0, 1})},
        {"RLE4 on an 8-bit picture", LongDibHeader(1, 1, 8, 2, 1).Add(Palette4({0})).Add(Bytes{0, 1})},
        {"bit fields on a 24-bit picture",
         LongDibHeader(1, 1, 24, 3).U32(0xFF).U32(0xFF00).U32(0xFF0000).Add(row24)},
        {"bit fields without masks", LongDibHeader(1, 1, 16, 3).U32(0xF800)},
        {"width 0", LongDibHeader(0, 1, 24)},
        {"height 0", LongDibHeader(1, 0, 24)},
        {"negative width", LongDibHeader(-5, 1, 24).Add(row24)},
        {"wider than 16384", LongDibHeader(20000, 1, 1).Add(Palette4({0, 0}))},
        {"more than 64 M pixels", LongDibHeader(16384, 16384, 1).Add(Palette4({0, 0}))},
        {"rows cut off", LongDibHeader(1, 2, 24).Add(row24)},
        {"colour table cut off", LongDibHeader(1, 1, 8).Add(Palette4({1, 2, 3}))},
        {"RLE8 literal cut off", LongDibHeader(4, 1, 8, 1, 1).Add(Palette4({0})).Add(Bytes{0, 4, 1, 2})},
        {"empty", Bytes{}},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DecodeDib(c.dib.data());
            ADD_FAILURE() << "no error";
        } catch (const GameError& error) {
            EXPECT_STREQ(error.what(), "DIB is invalid");
        }
    }
}

TEST(DibDecode, RefusesPicturesBeyondTheCallersPixelBudget) {
    // A run-length picture is a few bytes whatever its size: the pack reader hands each picture
    // what is left of the pack's budget.
    const Bytes rle = LongDibHeader(4, 4, 8, 1, 1).Add(Palette4({0x123456})).Add(Bytes{0, 1});
    EXPECT_EQ(DecodeDib(rle.data(), 16).pixels.size(), 16u);
    EXPECT_THROW(DecodeDib(rle.data(), 15), GameError);
}

TEST(DibEncode, RoundTripsWithAndWithoutAlpha) {
    Picture picture;
    picture.width = 3;
    picture.height = 2;
    picture.bitCount = 32;
    picture.pixels = {0xFF102030, 0x80405060, 0x00000000, 0x01FFFFFF, 0xFF000000, 0x7F7F7F7F};
    picture.hasAlpha = true;
    const std::vector<uint8_t> bytes = EncodeDib(picture);
    EXPECT_EQ(bytes.size(), 40u + 3 * 2 * 4);
    Picture back = DecodeDib(bytes);
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_TRUE(back.hasAlpha);
    EXPECT_EQ(back.pixels, picture.pixels);

    // An opaque picture is written with a zero fourth byte and comes back opaque.
    picture.hasAlpha = false;
    picture.pixels = Opaque({0x102030, 0x405060, 0, 0xFFFFFF, 0x010101, 0x7F7F7F});
    back = DecodeDib(EncodeDib(picture));
    EXPECT_FALSE(back.hasAlpha);
    EXPECT_EQ(back.pixels, picture.pixels);
    // ...and the bytes really carry zero there (byte 3 of the first pixel after the header).
    EXPECT_EQ(EncodeDib(picture)[43], 0);
}

}  // namespace
