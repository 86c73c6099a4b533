// One frame of the game, recorded and shown again and again in a real window through the game's
// own drawing surface (SdlDrawSurface::ForWindowSurface) and its Present, at 60 frames a second.
// It also writes the frame as a draw list for bench/plain_window.c, so both programs draw the same
// picture: bench/window-bench.sh times them against each other.
//
// Scenes: "game" is the busiest frame (most sprites) of a minute of play by the bot, seed 3;
// "menu" is a main-menu frame; "splash" is the game's first frame (for the start-up test).
//
//   window_frame --scene=S --write-list=FILE [--sounds=DIR]
//       records the scene, writes its draw list (and the sound pack as WAV files) and ends;
//       for the game scene it prints "frame N", which --frame=N takes to skip the search
//   window_frame --scene=S [--frame=N] [--fullscreen] [--seconds=T]
//       shows the scene until T seconds have passed (0: until closed), prints "ready" after the
//       first shown frame, "frames N" on SIGUSR1 and at the end

#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/random.h"
#include "base/wave_data.h"
#include "engine/pack_reader.h"
#include "platform/fake/fakes.h"
#include "platform/sdl/sdl_session.h"
#include "platform/sdl/sdl_surface.h"
#include "screens/autopilot.h"
#include "shell/main_form.h"

namespace {

volatile std::sig_atomic_t reportAsked = 0;
void AskReport(int) {
    reportAsked = 1;
}

// Forwards to the real surface and, while recording, keeps every call in order.
class RecordingSurface : public IDrawSurface {
public:
    enum class Kind { Draw, Rotated, Fill, Text };
    struct Call {
        Kind kind = Kind::Draw;
        ITexture* texture = nullptr;
        Rect src, dst;
        int32_t opacity = 255;
        double degrees = 0;
        uint32_t rgb = 0;
        std::string font;
        int32_t size = 0;
        std::string text;
    };

    explicit RecordingSurface(IDrawSurface& inner) : inner_(inner) {}
    int32_t Width() const override { return inner_.Width(); }
    int32_t Height() const override { return inner_.Height(); }
    std::unique_ptr<ITexture> CreateTexture(const uint32_t* pixels, int32_t width, int32_t height) override {
        return inner_.CreateTexture(pixels, width, height);
    }
    void Draw(ITexture& texture, const Rect& src, const Rect& dst, int32_t opacity) override {
        if (recording) Keep(Kind::Draw, &texture, src, dst, opacity);
        inner_.Draw(texture, src, dst, opacity);
    }
    void DrawRotated(ITexture& texture, const Rect& src, const Rect& dst, double degrees,
                     int32_t opacity) override {
        if (recording) Keep(Kind::Rotated, &texture, src, dst, opacity).degrees = degrees;
        inner_.DrawRotated(texture, src, dst, degrees, opacity);
    }
    void FillRect(const Rect& rect, uint32_t rgb) override {
        if (recording) Keep(Kind::Fill, nullptr, {}, rect, 255).rgb = rgb;
        inner_.FillRect(rect, rgb);
    }
    void DrawText(std::string_view font, int32_t size, uint32_t rgb, int32_t x, int32_t y,
                  std::string_view text) override {
        if (recording) {
            Call& c = Keep(Kind::Text, nullptr, {}, MakeRect(x, y, 0, 0), 255);
            c.rgb = rgb;
            c.font = font;
            c.size = size;
            c.text = text;
        }
        inner_.DrawText(font, size, rgb, x, y, text);
    }
    int32_t TextWidth(std::string_view font, int32_t size, std::string_view text) override {
        return inner_.TextWidth(font, size, text);
    }
    int32_t TextHeight(std::string_view font, int32_t size) override { return inner_.TextHeight(font, size); }
    void Present() override { inner_.Present(); }
    void Restore() override { inner_.Restore(); }

    bool recording = false;
    std::vector<Call> calls;

private:
    Call& Keep(Kind kind, ITexture* texture, const Rect& src, const Rect& dst, int32_t opacity) {
        Call& c = calls.emplace_back();
        c.kind = kind;
        c.texture = texture;
        c.src = src;
        c.dst = dst;
        c.opacity = opacity;
        return c;
    }

    IDrawSurface& inner_;
};

bool SameDraw(const RecordingSurface::Call& a, const RecordingSurface::Call& b) {
    return a.kind == b.kind && a.texture == b.texture && a.src == b.src && a.dst == b.dst &&
           a.opacity == b.opacity && a.degrees == b.degrees;
}

struct Options {
    std::string scene = "game";
    std::string listFile;
    std::string soundDir;
    int64_t frame = 0;
    uint64_t searchMs = 60000;
    bool fullScreen = false;
    double seconds = 0;
};

// The game on a window of its own, brought to the frame to show by the bot and a manual clock.
class Scene {
public:
    explicit Scene(const Options& options) : options_(options) {
        window_ = SDL_CreateWindow("Vandrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE |
                                       (options.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
        if (window_ == nullptr) throw SdlError("SDL_CreateWindow");
        surface_ = SdlDrawSurface::ForWindowSurface(window_, 800, 600);
        recorder_ = std::make_unique<RecordingSurface>(*surface_);
        sound_.recordStarts = false;
        platform_.window = &fakeWindow_;
        platform_.surface = recorder_.get();
        platform_.sound = &sound_;
        platform_.music = nullptr;
        platform_.keyboard = &keyboard_;
        platform_.clock = &clock_;
        platform_.dataRoot = VANDRAX_DATA;
        // Settings of its own, empty: the same game every time.
        char folder[] = "/tmp/vandrax-window-frame-XXXXXX";
        if (mkdtemp(folder) == nullptr) throw GameError("cannot make a settings folder");
        settings_ = folder;
        platform_.settingsFolder = settings_;
        Reach();
    }
    ~Scene() {
        form_.reset();
        recorder_.reset();
        surface_.reset();
        SDL_DestroyWindow(window_);
        std::error_code error;
        std::filesystem::remove_all(settings_, error);
    }

    SDL_Window* Window() const { return window_; }
    int64_t FrameShown() const { return frameShown_; }

    // The game's way: the engine's draw pass over the live sprite tree, then the rest of the
    // frame's calls (display texts and pictures) through the game's surface, then its present.
    void Draw() {
        if (engineCalls_ > 0) form_->SpriteEngine.Render();
        for (size_t i = engineCalls_; i < calls().size(); ++i) {
            const RecordingSurface::Call& c = calls()[i];
            switch (c.kind) {
                case RecordingSurface::Kind::Draw:
                    surface_->Draw(*c.texture, c.src, c.dst, c.opacity);
                    break;
                case RecordingSurface::Kind::Rotated:
                    surface_->DrawRotated(*c.texture, c.src, c.dst, c.degrees, c.opacity);
                    break;
                case RecordingSurface::Kind::Fill:
                    surface_->FillRect(c.dst, c.rgb);
                    break;
                case RecordingSurface::Kind::Text:
                    surface_->DrawText(c.font, c.size, c.rgb, c.dst.left, c.dst.top, c.text);
                    break;
            }
        }
        surface_->Present();
    }

    void WriteList(const std::string& path) const;
    void WriteSounds(const std::string& dir) const;

private:
    const std::vector<RecordingSurface::Call>& calls() const { return recorder_->calls; }

    void Start() {
        clock_.now = 0;
        keyboard_.down.clear();
        SeedRandom(3);
        form_ = std::make_unique<TMainForm>(platform_);
        form_->FormCreate();
        form_->Show();
    }

    void Reach() {
        wantGame_ = options_.scene == "game";
        Start();
        if (options_.scene == "splash") {
            // The very first frame, as the game shows it at start.
            recorder_->recording = true;
            RunUntil([&] { return form_->FramesDrawn >= 1; });
            recorder_->recording = false;
            frameShown_ = 1;
            engineCalls_ = 0;
            return;
        }
        if (options_.scene == "menu") {
            RunUntil([&] { return form_->ScreenState == Screen::MainMenu && form_->FramesDrawn > 300; });
        } else {
            int64_t frame = options_.frame;
            if (frame <= 0) {
                // The busiest frame of a minute of play, found by a first run and reached again by
                // a second one: the game is the same for the same seed.
                int32_t most = 0;
                RunUntil([&] {
                    if (form_->ScreenState == Screen::Game &&
                        form_->SpriteEngine.Engine().SpriteTotal > most) {
                        most = form_->SpriteEngine.Engine().SpriteTotal;
                        frame = form_->FramesDrawn;
                    }
                    return clock_.now >= options_.searchMs;
                });
                form_.reset();
                Start();
            }
            RunUntil([&] { return form_->FramesDrawn >= frame - 1; });
        }
        // One more frame, recorded.
        recorder_->recording = true;
        RunUntil([&, start = form_->FramesDrawn] { return form_->FramesDrawn > start; });
        frameShown_ = form_->FramesDrawn;
        // The engine's share of it: its draw pass again, drawing only what the frame began with
        // (it is drawn over at once by the replay).
        std::vector<RecordingSurface::Call> frame = std::move(recorder_->calls);
        recorder_->calls.clear();
        form_->SpriteEngine.Render();
        std::vector<RecordingSurface::Call> engine = std::move(recorder_->calls);
        recorder_->recording = false;
        recorder_->calls = std::move(frame);
        engineCalls_ = engine.size() <= calls().size() ? engine.size() : 0;
        for (size_t i = 0; i < engineCalls_; ++i)
            if (!SameDraw(engine[i], calls()[i])) engineCalls_ = 0;
        if (engineCalls_ == 0)
            std::fprintf(stderr,
                         "window_frame: the frame does not begin with the engine's pass; replaying it all\n");
    }

    template <class Done>
    void RunUntil(Done done) {
        while (!done()) {
            ++clock_.now;
            if (form_->NextDueAt() <= clock_.now) Drive();
            form_->Idle();
        }
    }

    void Drive() {
        if (form_->ScreenState != Screen::Game) {
            if (form_->ScreenState == Screen::MainMenu && wantGame_) {
                form_->Clan = 1;
                form_->SetScreenState(Screen::Game);
            }
            return;
        }
        const AutopilotInput input = DecideAutopilot(*form_, form_->SpriteEngine.Engine());
        keyboard_.down.clear();
        if (input.up) keyboard_.down.insert(kVkUp);
        if (input.down) keyboard_.down.insert(kVkDown);
        if (input.left) keyboard_.down.insert(kVkLeft);
        if (input.right) keyboard_.down.insert(kVkRight);
        if (input.handbrake) keyboard_.down.insert(kVkSpace);
        if (input.fire) form_->FormKeyDown(kVkControl, kShiftCtrl);
    }

    Options options_;
    std::filesystem::path settings_;
    SDL_Window* window_ = nullptr;
    std::unique_ptr<SdlDrawSurface> surface_;
    std::unique_ptr<RecordingSurface> recorder_;
    FakeWindow fakeWindow_;
    ManualClock clock_;
    RecordingSoundDevice sound_{clock_};
    FakeKeyboard keyboard_;
    Platform platform_;
    std::unique_ptr<TMainForm> form_;
    bool wantGame_ = false;
    int64_t frameShown_ = 0;
    size_t engineCalls_ = 0;
};

std::string Hex(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", rgb & 0xFFFFFF);
    return text;
}

// A name as one word of the list: "%", blanks and control characters as %XX.
std::string Word(const std::string& name) {
    std::string word;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || c == '%' || byte == 0x7F) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            word += escaped;
        } else {
            word += c;
        }
    }
    return word;
}

// The list names every picture of the loaded pack (names as words, see Word) (the plain program loads them
// all, as the game does), then the frame's calls in order with each texture named by its picture and the
// source rectangle placed in the whole picture.
void Scene::WriteList(const std::string& path) const {
    std::ofstream out(path);
    if (!out) throw GameError("cannot write " + path);
    out << "# draw list of the " << options_.scene << " scene, frame " << frameShown_ << "\n";
    out << "pack " << form_->PacksLoaded.back() << "\n";
    struct Place {
        std::string name;
        Rect tile;
    };
    std::map<const ITexture*, Place> places;
    TPictureCollection& images = const_cast<TMainForm&>(*form_).ImageList;
    for (int32_t i = 0; i < images.Count(); ++i) {
        const TPictureCollectionItem& item = images.Item(i);
        if (!item.Data().picture) continue;
        // Pictures with an alpha byte draw with it; the others key out their transparent colour.
        const ImageItemData& data = item.Data();
        const uint32_t key = data.transparentColor;
        const uint32_t keyRgb = ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
        out << "picture " << Word(item.Name()) << " "
            << (data.picture->hasAlpha || !data.transparent ? std::string("-") : Hex(keyRgb)) << "\n";
        for (int32_t t = 0; t < item.TileCount(); ++t)
            places[item.TileTexture(t)] = {Word(item.Name()), item.TileRect(t)};
    }
    if (options_.scene == "splash" || options_.scene == "menu") out << "module Music/Menu.xm\n";
    if (options_.scene == "splash") {
        PackContents sounds;
        LoadPackFile((std::filesystem::path(VANDRAX_DATA) / "Data/Sound.dxw").string(), sounds);
        for (const SoundItemData& s : sounds.sounds)
            if (s.wave) out << "sound " << Word(s.name) << "\n";
    }
    for (const RecordingSurface::Call& c : calls()) {
        const Rect& d = c.dst;
        if (c.kind == RecordingSurface::Kind::Fill) {
            out << "fill " << d.left << " " << d.top << " " << d.Width() << " " << d.Height() << " "
                << Hex(c.rgb) << "\n";
            continue;
        }
        if (c.kind == RecordingSurface::Kind::Text) {
            out << "text " << FindFontFile(c.font) << " " << c.size << " " << Hex(c.rgb) << " " << d.left
                << " " << d.top << " " << c.text << "\n";
            continue;
        }
        auto found = places.find(c.texture);
        if (found == places.end()) throw GameError("a draw of a texture that belongs to no picture");
        const Rect& tile = found->second.tile;
        out << (c.kind == RecordingSurface::Kind::Rotated ? "rotate " : "draw ") << found->second.name << " "
            << tile.left + c.src.left << " " << tile.top + c.src.top << " " << c.src.Width() << " "
            << c.src.Height() << " " << d.left << " " << d.top << " " << d.Width() << " " << d.Height() << " "
            << c.opacity;
        if (c.kind == RecordingSurface::Kind::Rotated) out << " " << c.degrees;
        out << "\n";
    }
    if (!out.flush()) throw GameError("cannot write " + path);
}

// The sound pack as the WAV files the game hands its mixer.
void Scene::WriteSounds(const std::string& dir) const {
    PackContents sounds;
    LoadPackFile((std::filesystem::path(VANDRAX_DATA) / "Data/Sound.dxw").string(), sounds);
    for (const SoundItemData& s : sounds.sounds) {
        if (!s.wave) continue;
        const std::vector<uint8_t> bytes = EncodeWave(*s.wave);
        const std::string path = dir + "/" + Word(s.name) + ".wav";
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) throw GameError("cannot write " + path);
    }
}

// Shows the frame at 60 a second: drawn, presented, then asleep until the next 1/60 s.
int64_t Show(Scene& scene, double seconds) {
    SDL_ShowWindow(scene.Window());
    const Uint64 rate = SDL_GetPerformanceFrequency();
    const Uint64 start = SDL_GetPerformanceCounter();
    const Uint64 end = seconds > 0 ? start + static_cast<Uint64>(seconds * static_cast<double>(rate)) : 0;
    int64_t frames = 0;
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0)
            if (event.type == SDL_QUIT) return frames;
        scene.Draw();
        if (++frames == 1) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
        if (reportAsked != 0) {
            reportAsked = 0;
            std::printf("frames %lld\n", static_cast<long long>(frames));
            std::fflush(stdout);
        }
        const Uint64 now = SDL_GetPerformanceCounter();
        if (end != 0 && now >= end) return frames;
        const Uint64 next = start + static_cast<Uint64>(frames) * rate / 60;
        if (next > now) SDL_Delay(static_cast<Uint32>((next - now) * 1000 / rate));
    }
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        // The value of "--name=value" when the argument is that option.
        auto value = [&](const std::string& prefix, std::string& out) {
            if (a.compare(0, prefix.size(), prefix) != 0) return false;
            out = a.substr(prefix.size());
            return true;
        };
        std::string v;
        if (value("--scene=", o.scene) || value("--write-list=", o.listFile) ||
            value("--sounds=", o.soundDir)) {
        } else if (value("--frame=", v)) {
            o.frame = std::atoll(v.c_str());
        } else if (value("--search-ms=", v)) {
            o.searchMs = std::strtoull(v.c_str(), nullptr, 10);
        } else if (value("--seconds=", v)) {
            o.seconds = std::atof(v.c_str());
        } else if (a == "--fullscreen") {
            o.fullScreen = true;
        } else {
            throw GameError("unknown option " + a);
        }
    }
    if (o.scene != "game" && o.scene != "menu" && o.scene != "splash")
        throw GameError("unknown scene " + o.scene);
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        const Options options = Parse(argc, argv);
        std::signal(SIGUSR1, AskReport);
        SdlSession session(SdlSession::Mode::Window);
        Scene scene(options);
        if (!options.listFile.empty()) {
            scene.WriteList(options.listFile);
            if (!options.soundDir.empty()) scene.WriteSounds(options.soundDir);
            std::printf("frame %lld\n", static_cast<long long>(scene.FrameShown()));
            return 0;
        }
        const int64_t frames = Show(scene, options.seconds);
        std::printf("frames %lld\n", static_cast<long long>(frames));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "window_frame: %s\n", error.what());
        return 1;
    }
    return 0;
}
