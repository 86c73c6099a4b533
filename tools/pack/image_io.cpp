#include "image_io.h"

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <png.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "base/errors.h"
#include "engine/dib.h"

static_assert(std::endian::native == std::endian::little,
              "pixel buffers are handed to libpng and cairo as little-endian BGRA");

namespace {

void CheckSize(const std::string& path, double width, double height) {
    if (!(width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide)) {
        throw GameError(FormatMessage("%s: picture size %gx%g is out of range (1..%d px a side)",
                                      path.c_str(), width, height, kMaxPictureSide));
    }
}

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

void UpdateHasAlpha(Picture& picture) {
    picture.hasAlpha = false;
    for (uint32_t pixel : picture.pixels) {
        if ((pixel >> 24) != 0xFF) {
            picture.hasAlpha = true;
            return;
        }
    }
}

Picture RasteriseSvg(const std::string& path) {
    GError* rawError = nullptr;
    std::unique_ptr<RsvgHandle, decltype(&g_object_unref)> handle(
        rsvg_handle_new_from_file(path.c_str(), &rawError), g_object_unref);
    std::unique_ptr<GError, GErrorFree> error(rawError);
    if (!handle) {
        throw GameError(
            FormatMessage("%s: cannot read SVG: %s", path.c_str(), error ? error->message : "unknown error"));
    }
    rsvg_handle_set_dpi(handle.get(), 96.0);
    gdouble width = 0, height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height)) {
        throw GameError(FormatMessage("%s: the SVG needs width and height attributes (px)", path.c_str()));
    }
    width = std::round(width);
    height = std::round(height);
    CheckSize(path, width, height);

    Picture picture;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.bitCount = 32;
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height),
        cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
    const RsvgRectangle viewport{0, 0, width, height};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &rawError)) {
        error.reset(rawError);
        throw GameError(FormatMessage("%s: cannot render SVG: %s", path.c_str(),
                                      error ? error->message : "unknown error"));
    }
    cairo_surface_flush(surface.get());
    const uint8_t* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    // Cairo keeps colours multiplied by alpha; the pack keeps them straight.
    for (int32_t y = 0; y < picture.height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        uint32_t* out = picture.pixels.data() + static_cast<size_t>(y) * picture.width;
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint32_t pixel = row[x];
            const uint32_t alpha = pixel >> 24;
            if (alpha == 0) {
                out[x] = 0;
            } else if (alpha == 0xFF) {
                out[x] = pixel;
            } else {
                auto straight = [&](int shift) {
                    return (((pixel >> shift) & 0xFF) * 255 + alpha / 2) / alpha;
                };
                out[x] = (alpha << 24) | (straight(16) << 16) | (straight(8) << 8) | straight(0);
            }
        }
    }
    UpdateHasAlpha(picture);
    return picture;
}

Picture ReadPng(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        throw GameError(FormatMessage("%s: cannot read PNG: %s", path.c_str(), image.message));
    }
    if (image.width < 1 || image.height < 1 || image.width > kMaxPictureSide ||
        image.height > kMaxPictureSide) {
        png_image_free(&image);
        CheckSize(path, image.width, image.height);
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB
    Picture picture;
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    picture.bitCount = 32;
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        const std::string message = image.message;
        png_image_free(&image);
        throw GameError(FormatMessage("%s: cannot read PNG: %s", path.c_str(), message.c_str()));
    }
    UpdateHasAlpha(picture);
    return picture;
}

void WritePng(const Picture& picture, const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_BGRA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, picture.pixels.data(), 0, nullptr)) {
        throw GameError(FormatMessage("%s: cannot write PNG: %s", path.c_str(), image.message));
    }
}
