#pragma once
// The drawing surface the game draws on: 800 x 600 logical pixels, presented once per frame.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/geometry.h"

class ITexture {
public:
    virtual ~ITexture() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
};

class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // pixels: 0xAARRGGBB, top row first, `width` pixels a row. Colour-key pixels already carry alpha 0.
    virtual std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width,
                                                    int32_t height) = 0;
    // Copies src of the texture into dst (stretched when the sizes differ). opacity: 0..255.
    virtual void Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) = 0;
    // Like Draw, turned clockwise by `degrees` about the centre of dst.
    virtual void DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                             int32_t opacity) = 0;
    virtual void FillRect(const Rect& rect, uint32_t rgb) = 0;
    // Text with a transparent background; (x, y) is the top-left of the text box. Sizes are points.
    virtual void DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                          std::string_view text) = 0;
    virtual int32_t TextWidth(std::string_view font, int32_t size, std::string_view text) = 0;
    // The height of a line of text in that font: the box DrawText fills.
    virtual int32_t TextHeight(std::string_view font, int32_t size) = 0;
    // Shows what has been drawn since the last present.
    virtual void Present() = 0;
    // The device lost its textures: make the drawing target anew and forget cached text.
    // Pictures are made again by their owners.
    virtual void Restore() = 0;
};
