#pragma once
// How an image item's picture is cut into patterns (animation frames) and, for drawing, into
// tiles of about 512 pixels. Pure arithmetic: the image collection turns it into textures.

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "engine/pack_data.h"

// A single picture never needs more frames than this; a pack asking for more (1 x 1 patterns
// over a huge picture) is refused instead of filling memory with rectangles.
inline constexpr int64_t kMaxPatterns = 1 << 20;
inline constexpr int32_t kTileSize = 512;

// The stored pattern size if it is above 0, else the picture's size.
inline int32_t EffectivePatternSize(int32_t patternSize, int32_t pictureSize) {
    return patternSize > 0 ? patternSize : pictureSize;
}

struct PatternLayout {
    int32_t patternWidth = 0;   // effective
    int32_t patternHeight = 0;  // effective
    int64_t stepX = 0;          // pattern width + skip width
    int64_t stepY = 0;
    int64_t columns = 0;
    int64_t rows = 0;

    int64_t Count() const { return columns * rows; }
    // Pattern index is row * columns + column; 0 <= index < Count().
    Rect PatternRect(int64_t index) const;
};

// The grid rule: one pattern covering the whole picture when the effective pattern size is the
// picture size; otherwise (H + skipHeight) div stepY rows and (W + skipWidth) div stepX columns.
// Raises "Image has too many patterns" past kMaxPatterns.
PatternLayout MakePatternLayout(int32_t pictureWidth, int32_t pictureHeight, int32_t patternWidth,
                                int32_t patternHeight, int32_t skipWidth, int32_t skipHeight);

// Every pattern's rectangle in the picture, numbered row by row, left to right.
std::vector<Rect> PatternGrid(int32_t pictureWidth, int32_t pictureHeight, int32_t patternWidth,
                              int32_t patternHeight, int32_t skipWidth, int32_t skipHeight);
// The same for an item; empty when the item has no picture.
std::vector<Rect> PatternGrid(const ImageItemData& item);

struct PatternPlace {
    int32_t tile = -1;  // index into TileLayout::tiles; -1 when no tile holds the pattern
    Rect rect;          // the pattern's rectangle inside that tile
};

struct TileLayout {
    std::vector<Rect> tiles;  // in the picture, left to right, top to bottom
    std::vector<PatternPlace> patterns;
};

// With systemMemory one tile holds the whole picture. Otherwise tiles are
// min(least multiple of stepX >= 512, stepX * columns) wide (likewise high); the last tile of a
// row or column is cut to the picture, and each pattern goes to the tile holding its top-left
// corner, its rectangle taken modulo the tile size.
TileLayout LayoutTiles(int32_t pictureWidth, int32_t pictureHeight, const PatternLayout& layout,
                       bool systemMemory);
