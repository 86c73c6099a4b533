// A game-like frame on SDL's software renderer: the road (tiled), 30 cars and 8 HUD texts.
// "Ours" goes through the sprite engine, the image collection and our drawing surface; "Plain"
// makes the same SDL calls by hand. Both run in the same process on the same kind of target.

#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/random.h"
#include "engine/image_list.h"
#include "engine/sprite.h"
#include "platform/sdl/sdl_surface.h"
#include "screens/menu_sprites.h"

namespace {

constexpr int kCars = 30;
const char* const kTexts[8] = {"SCORE 12345", "LEVEL 3", "SPEED 120", "LIVES 2",
                               "HEALTH 87",   "AMMO 14", "NITRO",     "PAUSE"};

std::vector<uint32_t> CarPixels() {
    // An opaque body inside a transparent border, so blending does real work.
    std::vector<uint32_t> pixels(70 * 120, 0);
    for (int y = 6; y < 114; ++y)
        for (int x = 6; x < 64; ++x) pixels[y * 70 + x] = 0xFF2050A0 + static_cast<uint32_t>((x + y) & 0x1F);
    return pixels;
}

std::vector<uint32_t> RoadPixels() {
    std::vector<uint32_t> pixels(800 * 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 800; ++x)
            pixels[y * 800 + x] = 0xFF404040 + static_cast<uint32_t>((x * 7 + y * 3) & 0x0F);
    return pixels;
}

struct CarPlace {
    int x, y;
};

std::vector<CarPlace> Places() {
    SeedRandom(11);
    std::vector<CarPlace> places;
    for (int i = 0; i < kCars; ++i) places.push_back({90 + Random(560), Random(560) - 40});
    return places;
}

struct Target {
    Target() {
        TTF_Init();
        surface = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32, SDL_PIXELFORMAT_ARGB8888);
    }
    ~Target() { SDL_FreeSurface(surface); }
    SDL_Surface* surface;
};

void OurFrame(benchmark::State& state) {
    Target target;
    auto surface = SdlDrawSurface::ForSurface(target.surface);
    PackContents pack;
    ImageItemData road;
    road.name = "background";
    road.picture = Picture{800, 200, RoadPixels(), false, 32, {}};
    pack.images.push_back(road);
    ImageItemData car;
    car.name = "car";
    car.picture = Picture{70, 120, CarPixels(), true, 32, {}};
    pack.images.push_back(car);
    TPictureCollection images;
    images.LoadContents(pack);
    images.Initialize(surface.get());
    TSpriteEngine engine;
    engine.SetDrawTarget(surface.get());
    TBackgroundSprite* background = CreateTiledBackground(engine, images, "background");
    background->SetZ(-1);
    for (const CarPlace& p : Places()) CreateImageSprite<TImageSprite>(engine, images, "car", p.x, p.y, 1);
    for (auto _ : state) {
        engine.MoveTree(3);
        engine.RenderPass();
        engine.RemoveDead();
        for (int i = 0; i < 8; ++i) surface->DrawText("Arial", 14, 0xFFFFFF, 10, 10 + i * 20, kTexts[i]);
        surface->Present();
    }
}
BENCHMARK(OurFrame)->Unit(benchmark::kMicrosecond);

void PlainSdlFrame(benchmark::State& state) {
    Target target;
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target.surface);
    auto make = [&](const std::vector<uint32_t>& pixels, int w, int h) {
        SDL_Texture* t =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
        SDL_UpdateTexture(t, nullptr, pixels.data(), w * 4);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        return t;
    };
    SDL_Texture* road = make(RoadPixels(), 800, 200);
    SDL_Texture* car = make(CarPixels(), 70, 120);
    TTF_Font* font = TTF_OpenFontDPI(FindFontFile("Arial").c_str(), 14, 96, 96);
    std::vector<SDL_Texture*> texts;
    std::vector<SDL_Rect> textRects;
    for (int i = 0; i < 8; ++i) {
        SDL_Surface* s = TTF_RenderText_Blended(font, kTexts[i], SDL_Color{255, 255, 255, 255});
        texts.push_back(SDL_CreateTextureFromSurface(renderer, s));
        textRects.push_back(SDL_Rect{10, 10 + i * 20, s->w, s->h});
        SDL_FreeSurface(s);
    }
    const std::vector<CarPlace> places = Places();
    for (auto _ : state) {
        for (int y = -200; y < 800; y += 200) {
            const SDL_Rect d{0, y, 800, 200};
            SDL_RenderCopy(renderer, road, nullptr, &d);
        }
        for (const CarPlace& p : places) {
            const SDL_Rect d{p.x, p.y, 70, 120};
            SDL_RenderCopy(renderer, car, nullptr, &d);
        }
        for (size_t i = 0; i < texts.size(); ++i) SDL_RenderCopy(renderer, texts[i], nullptr, &textRects[i]);
        SDL_RenderPresent(renderer);
    }
    for (SDL_Texture* t : texts) SDL_DestroyTexture(t);
    SDL_DestroyTexture(road);
    SDL_DestroyTexture(car);
    TTF_CloseFont(font);
    SDL_DestroyRenderer(renderer);
}
BENCHMARK(PlainSdlFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
