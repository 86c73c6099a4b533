#pragma once
// What a pack holds once decoded: plain data, no device resources.
// The reader fills these from the .dxg/.dxw stream format; the writer turns them back into it;
// the image and sound collections build textures and sound buffers from them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/wave_data.h"

// A decoded picture: 32-bit pixels 0xAARRGGBB, top row first.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height
    // True when the source was a 32-bit picture whose fourth byte is not zero everywhere:
    // draw with per-pixel alpha. Otherwise alpha is 0xFF everywhere and the colour key applies.
    bool hasAlpha = false;
    int32_t bitCount = 0;  // bits per pixel of the source picture
    // The source's own colour table as 0x00RRGGBB (pictures of at most 8 bits; empty otherwise).
    std::vector<uint32_t> palette;
};

struct ImageItemData {
    std::string name;
    int32_t patternWidth = 0;   // 0: the picture's width
    int32_t patternHeight = 0;  // 0: the picture's height
    int32_t skipWidth = 0;
    int32_t skipHeight = 0;
    bool systemMemory = false;
    bool transparent = true;
    uint32_t transparentColor = 0;  // 0x00BBGGRR
    std::optional<Picture> picture;
};

struct SoundItemData {
    std::string name;
    bool looped = false;
    int32_t maxPlayingCount = 0;  // 0: no limit; negative values are stored as 0
    std::optional<WaveData> wave;
};

enum class PackKind { Graphics, Sound };

struct PackContents {
    PackKind kind = PackKind::Graphics;
    std::optional<std::array<uint8_t, 1024>> colorTable;  // graphics packs only
    std::vector<ImageItemData> images;                    // graphics packs
    std::vector<SoundItemData> sounds;                    // sound packs
};
