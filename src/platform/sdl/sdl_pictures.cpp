#include "platform/sdl/sdl_pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

namespace {

enum class Kind { Bmp, Ico, Png };

std::optional<Kind> KindOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".bmp" || extension == ".dib") return Kind::Bmp;
    if (extension == ".ico") return Kind::Ico;
    if (extension == ".png") return Kind::Png;
    return std::nullopt;  // .emf, .wmf and everything else
}

uint32_t BigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

int32_t LittleEndian32(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[3]} << 24));
}

// The signature agrees with the extension and the stated size is one we are willing to decode.
bool HeaderAcceptable(Kind kind, const std::string& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    auto sideOk = [](int64_t side) { return side > 0 && side <= SdlPictureLoader::kMaxSide; };
    switch (kind) {
        case Kind::Png: {
            static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
            if (n < 24 || std::memcmp(b, kSignature, 8) != 0 || std::memcmp(b + 12, "IHDR", 4) != 0)
                return false;
            return sideOk(BigEndian32(b + 16)) && sideOk(BigEndian32(b + 20));
        }
        case Kind::Bmp: {
            if (n < 26 || b[0] != 'B' || b[1] != 'M') return false;
            const uint32_t infoSize = static_cast<uint32_t>(LittleEndian32(b + 14));
            if (infoSize == 12) {  // the old OS/2 header: 16-bit sizes
                return sideOk(b[18] | (b[19] << 8)) && sideOk(b[20] | (b[21] << 8));
            }
            if (infoSize < 40 || n < 26) return false;
            const int64_t height = LittleEndian32(b + 22);
            return sideOk(LittleEndian32(b + 18)) && sideOk(height < 0 ? -height : height);
        }
        case Kind::Ico:
            // Icon entries are at most 256 x 256 by their format.
            return n >= 6 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0 && (b[4] | b[5]) != 0;
    }
    return false;
}

}  // namespace

std::optional<LoadedPicture> SdlPictureLoader::Load(const std::filesystem::path& file) {
    const std::optional<Kind> kind = KindOf(file);
    if (!kind) return std::nullopt;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size == 0 || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    if (!HeaderAcceptable(*kind, bytes)) return std::nullopt;

    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (rw == nullptr) return std::nullopt;
    SDL_Surface* decoded = nullptr;
    switch (*kind) {
        case Kind::Bmp:
            decoded = IMG_LoadBMP_RW(rw);
            break;
        case Kind::Ico:
            decoded = IMG_LoadICO_RW(rw);
            break;
        case Kind::Png:
            decoded = IMG_LoadPNG_RW(rw);
            break;
    }
    SDL_RWclose(rw);
    if (decoded == nullptr) return std::nullopt;
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(decoded);
    if (argb == nullptr) return std::nullopt;
    std::optional<LoadedPicture> picture;
    if (argb->w > 0 && argb->h > 0 && argb->w <= kMaxSide && argb->h <= kMaxSide &&
        SDL_LockSurface(argb) == 0) {
        picture.emplace();
        picture->width = argb->w;
        picture->height = argb->h;
        picture->pixels.resize(static_cast<size_t>(argb->w) * static_cast<size_t>(argb->h));
        for (int y = 0; y < argb->h; ++y)
            std::memcpy(
                &picture->pixels[static_cast<size_t>(y) * static_cast<size_t>(argb->w)],
                static_cast<const unsigned char*>(argb->pixels) + static_cast<ptrdiff_t>(y) * argb->pitch,
                static_cast<size_t>(argb->w) * 4);
        SDL_UnlockSurface(argb);
    }
    SDL_FreeSurface(argb);
    return picture;
}
