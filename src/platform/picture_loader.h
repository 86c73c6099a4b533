#pragma once
// Picture files for the exit promotion page, chosen by their extension: bitmaps (.bmp, .dib),
// icons (.ico) and PNG. Metafiles (.emf, .wmf) and anything else are refused.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

struct LoadedPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first, `width` pixels a row
};

class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // Nothing when the file is missing, of a refused kind, too large, or cannot be decoded.
    virtual std::optional<LoadedPicture> Load(const std::filesystem::path& file) = 0;
};
