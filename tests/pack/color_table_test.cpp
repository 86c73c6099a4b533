#include "engine/color_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Picture Indexed(std::vector<uint32_t> palette) {
    Picture picture;
    picture.width = 1;
    picture.height = 1;
    picture.bitCount = 8;
    picture.pixels = {0xFF000000};
    picture.palette = std::move(palette);
    return picture;
}

TEST(ColorTable, StartsWithTheSixteenFixedColours) {
    const ColorTable table = BuildColorTable({});
    const std::vector<uint32_t> low = {0x000000, 0x800000, 0x008000, 0x808000,
                                       0x000080, 0x800080, 0x008080, 0xC0C0C0};
    const std::vector<uint32_t> high = {0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                        0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    EXPECT_EQ(std::vector<uint32_t>(table.begin(), table.begin() + 8), low);
    EXPECT_EQ(std::vector<uint32_t>(table.begin() + 248, table.end()), high);
    for (int i = 8; i < 248; ++i) EXPECT_EQ(table[i], 0u);
}

TEST(ColorTable, AddsNewPaletteColoursInOrderIntoTheLowestFreeEntries) {
    const Picture first = Indexed({0x112233, 0xFF0000, 0x445566, 0x112233});  // red is fixed, one repeat
    const Picture direct = [] {
        Picture p;
        p.bitCount = 32;  // no colour table of its own
        return p;
    }();
    const Picture second = Indexed({0x445566, 0x778899, 0x000000});
    const ColorTable table = BuildColorTable({&first, nullptr, &direct, &second});
    EXPECT_EQ(table[8], 0x112233u);
    EXPECT_EQ(table[9], 0x445566u);
    EXPECT_EQ(table[10], 0x778899u);
    EXPECT_EQ(table[11], 0u);
}

TEST(ColorTable, StopsWhenAllEntriesAreUsed) {
    std::vector<uint32_t> many;
    for (uint32_t i = 1; i <= 300; ++i) many.push_back(0x010000 * i % 0x1000000 + 7);
    const Picture picture = Indexed(many);
    const ColorTable table = BuildColorTable({&picture});
    EXPECT_EQ(table[8], many[0]);
    EXPECT_EQ(table[247], many[239]);  // 240 free entries, then the fixed top ones stay
    EXPECT_EQ(table[248], 0x808080u);
    EXPECT_EQ(table[255], 0xFFFFFFu);
}

TEST(ColorTable, ConvertsToThePackLayout) {
    ColorTable table{};
    table[0] = 0x112233;
    table[255] = 0xAABBCC;
    const std::array<uint8_t, 1024> bytes = ColorTableToBytes(table);
    EXPECT_EQ(bytes[0], 0x33);  // blue, green, red, reserved
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0x00);
    EXPECT_EQ(ColorTableFromBytes(bytes), table);
}

}  // namespace
