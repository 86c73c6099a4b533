// libFuzzer target: any byte string handed to the pack reader either loads or raises GameError.
// Anything else (a crash, a sanitizer report, another exception, a hang) is a bug.

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "engine/pack_data.h"
#include "engine/pack_reader.h"
#include "engine/pattern_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PackContents contents;
    try {
        ReadPack(std::span<const uint8_t>(data, size), contents);
    } catch (const GameError&) {
        // Expected for malformed packs; what was read so far must still be usable below.
    }
    // The image collection cuts every loaded picture into patterns and tiles: do the same.
    for (const ImageItemData& item : contents.images) {
        if (!item.picture) continue;
        try {
            const PatternLayout layout =
                MakePatternLayout(item.picture->width, item.picture->height, item.patternWidth,
                                  item.patternHeight, item.skipWidth, item.skipHeight);
            LayoutTiles(item.picture->width, item.picture->height, layout, item.systemMemory);
        } catch (const GameError&) {
        }
    }
    return 0;
}
