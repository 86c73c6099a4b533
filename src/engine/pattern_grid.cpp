#include "engine/pattern_grid.h"

#include <algorithm>

#include "base/errors.h"

Rect PatternLayout::PatternRect(int64_t index) const {
    const int64_t column = columns > 0 ? index % columns : 0;
    const int64_t row = columns > 0 ? index / columns : 0;
    return MakeRect(static_cast<int32_t>(column * stepX), static_cast<int32_t>(row * stepY), patternWidth,
                    patternHeight);
}

PatternLayout MakePatternLayout(int32_t pictureWidth, int32_t pictureHeight, int32_t patternWidth,
                                int32_t patternHeight, int32_t skipWidth, int32_t skipHeight) {
    PatternLayout layout;
    layout.patternWidth = EffectivePatternSize(patternWidth, pictureWidth);
    layout.patternHeight = EffectivePatternSize(patternHeight, pictureHeight);
    layout.stepX = int64_t{layout.patternWidth} + skipWidth;
    layout.stepY = int64_t{layout.patternHeight} + skipHeight;
    if (layout.patternWidth == pictureWidth && layout.patternHeight == pictureHeight) {
        layout.columns = 1;
        layout.rows = 1;
        return layout;
    }
    // A step of 0 or less (negative skips) has no grid at all.
    if (layout.stepX <= 0 || layout.stepY <= 0) return layout;
    layout.columns = std::max<int64_t>(0, (int64_t{pictureWidth} + skipWidth) / layout.stepX);
    layout.rows = std::max<int64_t>(0, (int64_t{pictureHeight} + skipHeight) / layout.stepY);
    if (layout.columns == 0 || layout.rows == 0) {
        layout.columns = 0;
        layout.rows = 0;
    }
    if (layout.Count() > kMaxPatterns) throw GameError("Image has too many patterns");
    return layout;
}

std::vector<Rect> PatternGrid(int32_t pictureWidth, int32_t pictureHeight, int32_t patternWidth,
                              int32_t patternHeight, int32_t skipWidth, int32_t skipHeight) {
    const PatternLayout layout =
        MakePatternLayout(pictureWidth, pictureHeight, patternWidth, patternHeight, skipWidth, skipHeight);
    std::vector<Rect> rects;
    rects.reserve(static_cast<size_t>(layout.Count()));
    for (int64_t i = 0; i < layout.Count(); ++i) rects.push_back(layout.PatternRect(i));
    return rects;
}

std::vector<Rect> PatternGrid(const ImageItemData& item) {
    if (!item.picture) return {};
    return PatternGrid(item.picture->width, item.picture->height, item.patternWidth, item.patternHeight,
                       item.skipWidth, item.skipHeight);
}

namespace {

// Tile extent along one axis: the least multiple of step reaching kTileSize, but no more than the
// grid itself; always at least 1 and at most the picture.
int64_t TileExtent(int64_t step, int64_t count, int64_t pictureSize) {
    if (step <= 0 || count <= 0) return std::max<int64_t>(pictureSize, 1);
    const int64_t multiple = (kTileSize + step - 1) / step * step;
    const int64_t extent = std::min(multiple, step * count);
    return std::clamp<int64_t>(extent, 1, std::max<int64_t>(pictureSize, 1));
}

}  // namespace

TileLayout LayoutTiles(int32_t pictureWidth, int32_t pictureHeight, const PatternLayout& layout,
                       bool systemMemory) {
    TileLayout result;
    if (pictureWidth <= 0 || pictureHeight <= 0) {
        result.patterns.resize(static_cast<size_t>(layout.Count()));
        for (int64_t i = 0; i < layout.Count(); ++i) result.patterns[i].rect = layout.PatternRect(i);
        return result;
    }
    const int64_t tileWidth =
        systemMemory ? pictureWidth : TileExtent(layout.stepX, layout.columns, pictureWidth);
    const int64_t tileHeight =
        systemMemory ? pictureHeight : TileExtent(layout.stepY, layout.rows, pictureHeight);
    const int64_t across = (pictureWidth + tileWidth - 1) / tileWidth;
    const int64_t down = (pictureHeight + tileHeight - 1) / tileHeight;
    for (int64_t ty = 0; ty < down; ++ty) {
        for (int64_t tx = 0; tx < across; ++tx) {
            const int64_t left = tx * tileWidth;
            const int64_t top = ty * tileHeight;
            result.tiles.push_back(
                Rect{static_cast<int32_t>(left), static_cast<int32_t>(top),
                     static_cast<int32_t>(std::min<int64_t>(left + tileWidth, pictureWidth)),
                     static_cast<int32_t>(std::min<int64_t>(top + tileHeight, pictureHeight))});
        }
    }
    result.patterns.reserve(static_cast<size_t>(layout.Count()));
    for (int64_t i = 0; i < layout.Count(); ++i) {
        const Rect rect = layout.PatternRect(i);
        PatternPlace place;
        place.rect = rect;
        if (rect.left >= 0 && rect.top >= 0 && rect.left < pictureWidth && rect.top < pictureHeight) {
            const int64_t tx = rect.left / tileWidth;
            const int64_t ty = rect.top / tileHeight;
            place.tile = static_cast<int32_t>(ty * across + tx);
            place.rect = MakeRect(static_cast<int32_t>(rect.left % tileWidth),
                                  static_cast<int32_t>(rect.top % tileHeight), rect.Width(), rect.Height());
        }
        result.patterns.push_back(place);
    }
    return result;
}
