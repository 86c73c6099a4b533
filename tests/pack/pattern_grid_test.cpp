#include "engine/pattern_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"

namespace {

struct GridCase {
    std::string name;
    int32_t width, height, patternWidth, patternHeight, skipWidth, skipHeight;
    std::vector<Rect> rects;
};

TEST(PatternGrid, CutsPicturesByTheGridRule) {
    const std::vector<GridCase> cases = {
        {"256x64 in 64x64 patterns",
         256,
         64,
         64,
         64,
         0,
         0,
         {MakeRect(0, 0, 64, 64), MakeRect(64, 0, 64, 64), MakeRect(128, 0, 64, 64),
          MakeRect(192, 0, 64, 64)}},
        {"skip width 4, width 268",
         268,
         64,
         64,
         64,
         4,
         0,
         {MakeRect(0, 0, 64, 64), MakeRect(68, 0, 64, 64), MakeRect(136, 0, 64, 64),
          MakeRect(204, 0, 64, 64)}},
        {"pattern size 0 means the whole picture", 100, 50, 0, 0, 0, 0, {MakeRect(0, 0, 100, 50)}},
        {"pattern equal to the picture, skips ignored", 100, 50, 100, 50, 7, 9, {MakeRect(0, 0, 100, 50)}},
        {"rows then columns, numbered row by row",
         60,
         70,
         30,
         30,
         0,
         10,
         {MakeRect(0, 0, 30, 30), MakeRect(30, 0, 30, 30), MakeRect(0, 40, 30, 30),
          MakeRect(30, 40, 30, 30)}},
        {"only a width: one row",
         90,
         20,
         30,
         0,
         0,
         0,
         {MakeRect(0, 0, 30, 20), MakeRect(30, 0, 30, 20), MakeRect(60, 0, 30, 20)}},
        {"left-over pixels make no pattern",
         100,
         10,
         30,
         10,
         0,
         0,
         {MakeRect(0, 0, 30, 10), MakeRect(30, 0, 30, 10), MakeRect(60, 0, 30, 10)}},
        {"pattern wider than the picture: none", 20, 20, 30, 10, 0, 0, {}},
        {"a step of zero: none", 20, 20, 10, 10, -10, 0, {}},
    };
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PatternGrid(c.width, c.height, c.patternWidth, c.patternHeight, c.skipWidth, c.skipHeight),
                  c.rects);
    }
}

TEST(PatternGrid, AnItemWithoutAPictureHasNoPatterns) {
    ImageItemData item;
    item.patternWidth = 10;
    EXPECT_TRUE(PatternGrid(item).empty());
    item.picture = Picture{};
    item.picture->width = 20;
    item.picture->height = 10;
    EXPECT_EQ(PatternGrid(item).size(), 2u);
}

TEST(PatternGrid, RefusesAbsurdPatternCounts) {
    EXPECT_THROW(PatternGrid(16384, 4096, 1, 1, 0, 0), GameError);
    EXPECT_EQ(MakePatternLayout(1024, 1024, 1, 1, 0, 0).Count(), 1024 * 1024);  // the limit itself is fine
}

TEST(TileLayout, CutsIntoTilesOfAbout512Pixels) {
    // 1024x64 strip of 64x64 frames: two 512-wide tiles, frame 9 is the second frame of tile 1.
    PatternLayout strip = MakePatternLayout(1024, 64, 64, 64, 0, 0);
    TileLayout tiles = LayoutTiles(1024, 64, strip, false);
    EXPECT_EQ(tiles.tiles, (std::vector<Rect>{MakeRect(0, 0, 512, 64), MakeRect(512, 0, 512, 64)}));
    ASSERT_EQ(tiles.patterns.size(), 16u);
    EXPECT_EQ(tiles.patterns[9].tile, 1);
    EXPECT_EQ(tiles.patterns[9].rect, MakeRect(64, 0, 64, 64));

    // Step 100: the least multiple reaching 512 is 600; the last tile is cut to the picture.
    PatternLayout wide = MakePatternLayout(1000, 50, 100, 50, 0, 0);
    tiles = LayoutTiles(1000, 50, wide, false);
    EXPECT_EQ(tiles.tiles, (std::vector<Rect>{MakeRect(0, 0, 600, 50), MakeRect(600, 0, 400, 50)}));
    EXPECT_EQ(tiles.patterns[6].tile, 1);
    EXPECT_EQ(tiles.patterns[6].rect, MakeRect(0, 0, 100, 50));
    EXPECT_EQ(tiles.patterns[5].tile, 0);
    EXPECT_EQ(tiles.patterns[5].rect, MakeRect(500, 0, 100, 50));

    // Small grids are one tile no larger than the grid itself (step x columns), with the
    // unused right edge in a tile of its own.
    PatternLayout small = MakePatternLayout(100, 40, 30, 40, 0, 0);
    tiles = LayoutTiles(100, 40, small, false);
    EXPECT_EQ(tiles.tiles, (std::vector<Rect>{MakeRect(0, 0, 90, 40), MakeRect(90, 0, 10, 40)}));

    // Downwards the same; tiles are counted left to right, then top to bottom.
    PatternLayout tall = MakePatternLayout(300, 1200, 300, 100, 0, 0);
    tiles = LayoutTiles(300, 1200, tall, false);
    EXPECT_EQ(tiles.tiles, (std::vector<Rect>{MakeRect(0, 0, 300, 600), MakeRect(0, 600, 300, 600)}));
    EXPECT_EQ(tiles.patterns[7].tile, 1);
    EXPECT_EQ(tiles.patterns[7].rect, MakeRect(0, 100, 300, 100));

    PatternLayout square = MakePatternLayout(1024, 1024, 64, 64, 0, 0);
    tiles = LayoutTiles(1024, 1024, square, false);
    ASSERT_EQ(tiles.tiles.size(), 4u);
    EXPECT_EQ(tiles.tiles[1], MakeRect(512, 0, 512, 512));
    EXPECT_EQ(tiles.tiles[2], MakeRect(0, 512, 512, 512));
    EXPECT_EQ(tiles.patterns[9 * 16 + 9].tile, 3);
    EXPECT_EQ(tiles.patterns[9 * 16 + 9].rect, MakeRect(64, 64, 64, 64));
}

TEST(TileLayout, SystemMemoryKeepsOneSurface) {
    PatternLayout strip = MakePatternLayout(1024, 64, 64, 64, 0, 0);
    TileLayout tiles = LayoutTiles(1024, 64, strip, true);
    EXPECT_EQ(tiles.tiles, std::vector<Rect>{MakeRect(0, 0, 1024, 64)});
    EXPECT_EQ(tiles.patterns[9].tile, 0);
    EXPECT_EQ(tiles.patterns[9].rect, MakeRect(576, 0, 64, 64));
}

}  // namespace
