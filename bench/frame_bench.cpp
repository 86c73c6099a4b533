// One real game frame and one main-menu frame, drawn through our engine and surface, side by
// side with a careful plain SDL loop drawing the same list: opaque textures without blending,
// text textures made once, straight to the window's renderer, the same present. Both on a
// window of SDL's dummy video driver with the renderer the game would choose (software here).
//
// The game frame is the busiest frame (most sprites) of a minute of play by the bot, seed 3
// (--search-ms=N looks in the first N ms instead).
//
//   build/frame_bench                        Google Benchmark figures
//   build/frame_bench --frames=N --draw=ours|plain|none --scene=game|menu
//                                            draws N frames and ends (for cachegrind: the
//                                            difference of two runs is the cost of the frames)

#include <SDL.h>
#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/random.h"
#include "platform/fake/fakes.h"
#include "platform/sdl/sdl_session.h"
#include "platform/sdl/sdl_surface.h"
#include "screens/autopilot.h"
#include "shell/main_form.h"

namespace {

// How much play the busiest frame is looked for in (shorter under valgrind).
uint64_t& SearchMs() {
    static uint64_t ms = 60000;
    return ms;
}

// Forwards to the real surface and, while recording, keeps every call of one frame.
class RecordingSurface : public IDrawSurface {
public:
    explicit RecordingSurface(IDrawSurface& inner) : inner_(inner) {}
    int32_t Width() const override { return inner_.Width(); }
    int32_t Height() const override { return inner_.Height(); }
    std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width, int32_t height) override {
        return inner_.CreateTexture(pixels, width, height);
    }
    void Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) override {
        if (recording) draws.push_back({&texture, src, dst, opacity, 0, false});
        inner_.Draw(texture, src, dst, opacity);
    }
    void DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                     int32_t opacity) override {
        if (recording) draws.push_back({&texture, src, dst, opacity, degrees, true});
        inner_.DrawRotated(texture, src, dst, degrees, opacity);
    }
    void FillRect(const Rect& rect, uint32_t rgb) override {
        if (recording) fills.push_back({rect, rgb});
        inner_.FillRect(rect, rgb);
    }
    void DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                  std::string_view text) override {
        if (recording) texts.push_back({std::string(font), size, rgb, x, y, std::string(text)});
        inner_.DrawText(font, size, rgb, x, y, text);
    }
    int32_t TextWidth(std::string_view font, int32_t size, std::string_view text) override {
        return inner_.TextWidth(font, size, text);
    }
    int32_t TextHeight(std::string_view font, int32_t size) override { return inner_.TextHeight(font, size); }
    void Present() override { inner_.Present(); }
    void Restore() override { inner_.Restore(); }

    struct DrawCall {
        ITexture* texture;
        Rect src, dst;
        int32_t opacity;
        double degrees;
        bool rotated;
    };
    struct Fill {
        Rect rect;
        uint32_t rgb;
    };
    struct Text {
        std::string font;
        int32_t size;
        uint32_t rgb;
        int32_t x, y;
        std::string text;
    };
    bool recording = false;
    std::vector<DrawCall> draws;
    std::vector<Fill> fills;
    std::vector<Text> texts;

private:
    IDrawSurface& inner_;
};

SDL_Rect ToSdl(const Rect& r) {
    return SDL_Rect{r.left, r.top, r.Width(), r.Height()};
}

// The game on a real SDL window, played by the bot up to the frame to draw.
struct Scene {
    enum class Kind { Game, Menu };

    explicit Scene(Kind kind) {
        wantGame = kind == Kind::Game;
        session = std::make_unique<SdlSession>(SdlSession::Mode::Window);
        window = SDL_CreateWindow("Vandrax", 0, 0, 800, 600, SDL_WINDOW_HIDDEN);
        renderer = CreateGameRenderer(window);
        if (renderer == nullptr)
            renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
        surface = SdlDrawSurface::ForWindow(renderer, 800, 600);
        recorder = std::make_unique<RecordingSurface>(*surface);
        sound.recordStarts = false;
        Platform platform;
        platform.window = &fakeWindow;
        platform.surface = recorder.get();
        platform.sound = &sound;
        platform.music = nullptr;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.dataRoot = VANDRAX_DATA;
        platform.settingsFolder = std::string("/tmp/vandrax-bench-home");
        SeedRandom(3);
        form = std::make_unique<TMainForm>(platform);
        form->FormCreate();
        form->Show();
        if (kind == Kind::Menu) {
            RunUntil([&] { return form->ScreenState == Screen::MainMenu && form->FramesDrawn > 300; });
        } else {
            // The busiest frame of a minute of play, found by a first run and reached again by a
            // second one: the game is the same for the same seed.
            int64_t busiest = 0;
            int32_t most = 0;
            RunUntil([&] {
                if (form->ScreenState == Screen::Game && form->SpriteEngine.Engine().SpriteTotal > most) {
                    most = form->SpriteEngine.Engine().SpriteTotal;
                    busiest = form->FramesDrawn;
                }
                return clock.now >= SearchMs();
            });
            form.reset();
            clock.now = 0;
            keyboard.down.clear();
            SeedRandom(3);
            form = std::make_unique<TMainForm>(platform);
            form->FormCreate();
            form->Show();
            RunUntil([&] { return form->FramesDrawn >= busiest - 1; });
            sprites = most;
        }
        // One more frame, recorded.
        recorder->recording = true;
        RunUntil([&, start = form->FramesDrawn] { return form->FramesDrawn > start; });
        recorder->recording = false;
        if (sprites == 0) sprites = form->SpriteEngine.Engine().SpriteTotal;
        MakePlainTexts();
    }
    ~Scene() {
        for (SDL_Texture* t : plainTexts) SDL_DestroyTexture(t);
        form.reset();
        recorder.reset();
        surface.reset();
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
    }

    template <class Done>
    void RunUntil(Done done) {
        while (!done()) {
            ++clock.now;
            if (form->NextDueAt() <= clock.now) Drive();
            form->Idle();
        }
    }

    void Drive() {
        if (form->ScreenState != Screen::Game) {
            if (form->ScreenState == Screen::MainMenu && wantGame) {
                form->Clan = 1;
                form->SetScreenState(Screen::Game);
            }
            return;
        }
        const AutopilotInput input = DecideAutopilot(*form, form->SpriteEngine.Engine());
        keyboard.down.clear();
        if (input.up) keyboard.down.insert(kVkUp);
        if (input.down) keyboard.down.insert(kVkDown);
        if (input.left) keyboard.down.insert(kVkLeft);
        if (input.right) keyboard.down.insert(kVkRight);
        if (input.handbrake) keyboard.down.insert(kVkSpace);
        if (input.fire) form->FormKeyDown(kVkControl, kShiftCtrl);
    }

    // The plain loop's texts: made once, as a careful program would.
    void MakePlainTexts() {
        std::map<int32_t, TTF_Font*> fonts;
        for (const RecordingSurface::Text& t : recorder->texts) {
            TTF_Font*& f = fonts[t.size];
            if (f == nullptr) f = TTF_OpenFontDPI(FindFontFile(t.font).c_str(), t.size, 96, 96);
            const SDL_Color color{static_cast<Uint8>(t.rgb >> 16), static_cast<Uint8>(t.rgb >> 8),
                                  static_cast<Uint8>(t.rgb), 255};
            SDL_Surface* s = TTF_RenderText_Blended(f, t.text.c_str(), color);
            plainTexts.push_back(SDL_CreateTextureFromSurface(renderer, s));
            plainTextRects.push_back(SDL_Rect{t.x, t.y, s->w, s->h});
            SDL_FreeSurface(s);
        }
        for (auto& [size, f] : fonts) TTF_CloseFont(f);
    }

    // Our way: the engine's draw pass over the live sprite tree, the display's texts through
    // our surface, our present.
    void DrawOurs() {
        form->SpriteEngine.Render();
        for (const RecordingSurface::Text& t : recorder->texts)
            surface->DrawText(t.font, t.size, t.rgb, t.x, t.y, t.text);
        surface->Present();
    }

    // The plain way: the same list straight to the window's renderer.
    void DrawPlain() {
        SDL_SetRenderTarget(renderer, nullptr);
        for (const RecordingSurface::Fill& f : recorder->fills) {
            SDL_SetRenderDrawColor(renderer, f.rgb >> 16, (f.rgb >> 8) & 0xFF, f.rgb & 0xFF, 255);
            const SDL_Rect r = ToSdl(f.rect);
            SDL_RenderFillRect(renderer, &r);
        }
        for (const RecordingSurface::DrawCall& d : recorder->draws) {
            SDL_Texture* t = SdlDrawSurface::Handle(*d.texture);
            const SDL_Rect s = ToSdl(d.src);
            const SDL_Rect r = ToSdl(d.dst);
            if (d.rotated)
                SDL_RenderCopyEx(renderer, t, &s, &r, d.degrees, nullptr, SDL_FLIP_NONE);
            else
                SDL_RenderCopy(renderer, t, &s, &r);
        }
        for (size_t i = 0; i < plainTexts.size(); ++i)
            SDL_RenderCopy(renderer, plainTexts[i], nullptr, &plainTextRects[i]);
        SDL_RenderPresent(renderer);
    }

    bool wantGame = true;
    std::unique_ptr<SdlSession> session;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::unique_ptr<SdlDrawSurface> surface;
    std::unique_ptr<RecordingSurface> recorder;
    FakeWindow fakeWindow;
    ManualClock clock;
    RecordingSoundDevice sound{clock};
    FakeKeyboard keyboard;
    std::unique_ptr<TMainForm> form;
    std::vector<SDL_Texture*> plainTexts;
    std::vector<SDL_Rect> plainTextRects;
    int32_t sprites = 0;
};

Scene& GameScene() {
    static Scene scene(Scene::Kind::Game);
    return scene;
}

Scene& MenuScene() {
    static Scene* scene = [] {
        auto* s = new Scene(Scene::Kind::Menu);
        return s;
    }();
    return *scene;
}

void Report(benchmark::State& state, Scene& scene) {
    state.counters["sprites"] = scene.sprites;
    state.counters["draws"] = static_cast<double>(scene.recorder->draws.size());
    state.counters["texts"] = static_cast<double>(scene.recorder->texts.size());
}

void BM_GameFrameOurs(benchmark::State& state) {
    Scene& scene = GameScene();
    for (auto _ : state) scene.DrawOurs();
    Report(state, scene);
}
void BM_GameFramePlainSdl(benchmark::State& state) {
    Scene& scene = GameScene();
    for (auto _ : state) scene.DrawPlain();
    Report(state, scene);
}
void BM_MenuFrameOurs(benchmark::State& state) {
    Scene& scene = MenuScene();
    for (auto _ : state) scene.DrawOurs();
    Report(state, scene);
}
void BM_MenuFramePlainSdl(benchmark::State& state) {
    Scene& scene = MenuScene();
    for (auto _ : state) scene.DrawPlain();
    Report(state, scene);
}
BENCHMARK(BM_GameFrameOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GameFramePlainSdl)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MenuFrameOurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MenuFramePlainSdl)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    long frames = 0;
    std::string draw = "ours";
    std::string sceneName = "game";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--frames=", 9) == 0) frames = std::atol(argv[i] + 9);
        if (std::strncmp(argv[i], "--draw=", 7) == 0) draw = argv[i] + 7;
        if (std::strncmp(argv[i], "--scene=", 8) == 0) sceneName = argv[i] + 8;
        if (std::strncmp(argv[i], "--search-ms=", 12) == 0)
            SearchMs() = std::strtoull(argv[i] + 12, nullptr, 10);
    }
    if (frames > 0 || draw == "none") {
        Scene& scene = sceneName == "menu" ? MenuScene() : GameScene();
        for (long i = 0; i < frames; ++i) {
            if (draw == "plain")
                scene.DrawPlain();
            else
                scene.DrawOurs();
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
