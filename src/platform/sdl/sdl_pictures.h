#pragma once
// Picture files for the promotion page through SDL2_image. The extension picks the decoder and
// the file's own signature must agree with it; metafiles, which SDL2_image cannot draw, and
// pictures larger than the checks below are refused before anything is decoded.

#include "platform/picture_loader.h"

class SdlPictureLoader : public IPictureLoader {
public:
    // Larger files or sides are refused: a page is 800 x 600, and a small file that claims a
    // huge picture would otherwise cost its full size in memory.
    static constexpr uintmax_t kMaxFileBytes = 16u << 20;
    static constexpr int32_t kMaxSide = 4096;

    std::optional<LoadedPicture> Load(const std::filesystem::path& file) override;
};
