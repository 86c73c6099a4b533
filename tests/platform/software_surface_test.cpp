// Image sprites drawn by the SDL software surface: a turned picture points where the game
// means it to (0 up, 64 right, clockwise), and opacity shows in the pixels.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/image_list.h"
#include "engine/sprite.h"
#include "platform/sdl/sdl_surface.h"

namespace {

// A 5 x 5 arrow pointing up: a red tip over a green shaft, the rest transparent.
PackContents Arrow() {
    ImageItemData item;
    item.name = "arrow";
    Picture p;
    p.width = 5;
    p.height = 5;
    p.hasAlpha = true;
    p.bitCount = 32;
    p.pixels.assign(25, 0x00000000);
    p.pixels[2] = 0xFFFF0000;
    for (int y = 1; y < 5; ++y) p.pixels[static_cast<size_t>(y * 5 + 2)] = 0xFF00FF00;
    item.picture = p;
    PackContents contents;
    contents.images.push_back(item);
    return contents;
}

class SoftwareSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        pixels_ = SDL_CreateRGBSurfaceWithFormat(0, 17, 17, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(pixels_, nullptr) << SDL_GetError();
        surface_ = SdlDrawSurface::ForSurface(pixels_);
        images_.LoadContents(Arrow());
        images_.Initialize(surface_.get());
        engine_.SetDrawTarget(surface_.get());
        arrow_ = new TImageSprite(&engine_);
        arrow_->ImageItem = &images_.FindImage("arrow");
        arrow_->Width = 5;
        arrow_->Height = 5;
        arrow_->X = 6;
        arrow_->Y = 6;
    }
    void TearDown() override {
        engine_.FreeChildren();
        images_.Finalize();
        surface_.reset();
        SDL_FreeSurface(pixels_);
    }
    void Draw() {
        surface_->FillRect(Rect{0, 0, 17, 17}, 0x000000);
        engine_.RenderPass();
        SDL_RenderPresent(surface_->Renderer());
    }
    uint32_t Pixel(int x, int y) const {
        return static_cast<const uint32_t*>(pixels_->pixels)[y * (pixels_->pitch / 4) + x] & 0xFFFFFF;
    }
    // Every pixel with some of the given channel (0xFF0000 red, 0x00FF00 green).
    std::vector<std::pair<int, int>> Showing(uint32_t channel) const {
        std::vector<std::pair<int, int>> found;
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 17; ++x)
                if ((Pixel(x, y) & channel) != 0) found.emplace_back(x, y);
        return found;
    }

    SDL_Surface* pixels_ = nullptr;
    std::unique_ptr<SdlDrawSurface> surface_;
    TPictureCollection images_;
    TSpriteEngine engine_;
    TImageSprite* arrow_ = nullptr;
};

TEST_F(SoftwareSurfaceTest, RotationTurnsTheArrowClockwiseFromUp) {
    using Pixels = std::vector<std::pair<int, int>>;
    struct Case {
        uint8_t rotation;
        const char* pointing;
        Pixels tip;
        Pixels shaft;
    };
    // The sprite covers [6, 11) both ways; its centre is (8, 8).
    const Case cases[] = {
        {0, "up", {{8, 6}}, {{8, 7}, {8, 8}, {8, 9}, {8, 10}}},
        {64, "right", {{10, 8}}, {{6, 8}, {7, 8}, {8, 8}, {9, 8}}},
        {128, "down", {{8, 10}}, {{8, 6}, {8, 7}, {8, 8}, {8, 9}}},
        {192, "left", {{6, 8}}, {{7, 8}, {8, 8}, {9, 8}, {10, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointing);
        arrow_->Rotation = c.rotation;
        Draw();
        EXPECT_EQ(Showing(0xFF0000), c.tip);
        EXPECT_EQ(Showing(0x00FF00), c.shaft);
    }
}

TEST_F(SoftwareSurfaceTest, OpacityBlendsThePictureOverWhatIsBeneath) {
    for (uint8_t rotation : {0, 64}) {
        for (int32_t opacity : {255, 128, 64}) {
            SCOPED_TRACE(::testing::Message() << "rotation " << int(rotation) << ", opacity " << opacity);
            arrow_->Rotation = rotation;
            arrow_->Opacity = opacity;
            Draw();
            const std::vector<std::pair<int, int>> tip = Showing(0xFF0000);
            ASSERT_EQ(tip.size(), 1u);
            const int red = static_cast<int>(Pixel(tip[0].first, tip[0].second) >> 16);
            EXPECT_NEAR(red, opacity, 2);
            const uint32_t shaft = Pixel(8, 8);  // the middle of the shaft, whichever way it points
            EXPECT_EQ(shaft & 0xFF00FF, 0u);
            EXPECT_NEAR(static_cast<int>(shaft >> 8), opacity, 2);
        }
    }
}

}  // namespace
