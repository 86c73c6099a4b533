// vandrax-sim: the game's own code on a virtual clock, driven by a script, writing its state as
// JSON and screenshots as PNG. Deterministic for a given seed and script.

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <cxxabi.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "app/random.h"
#include "base/errors.h"
#include "platform/fake/fakes.h"
#include "platform/fake/online_fakes.h"
#include "platform/sdl/curl_http.h"
#include "platform/sdl/music_xmp.h"
#include "platform/sdl/paths.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_pictures.h"
#include "platform/sdl/sdl_session.h"
#include "platform/sdl/sdl_surface.h"
#include "screens/autopilot.h"
#include "screens/game_screen.h"
#include "shell/main_form.h"
#include "sim/menu_bot.h"
#include "sim/sim_script.h"
#include "sim/sim_setup.h"
#include "sim/virtual_pad.h"

namespace {

struct Options {
    std::string data;
    std::string home;
    uint64_t seed = 1;
    std::string script;
    uint64_t untilMs = 10000;
    double frameMs = 0;  // 0: the game's own pacing
    std::string state;
    std::vector<std::pair<uint64_t, std::string>> screenshots;
    bool timedemo = false;
    int32_t play = 0;  // a clan: go straight to the game
    std::string trace;
    bool autopilot = false;
    std::string scoreServer;  // empty: offline, no request leaves the simulator
    bool sdlPad = false;      // the script's pad events through SDL's virtual joystick
};

const char* const kUsage =
    "Usage: vandrax-sim [--data DIR] [--home DIR] [--seed N] [--script FILE] [--until-ms T]\n"
    "                   [--frame-ms F] [--state FILE] [--screenshot MS:FILE.png]... [--timedemo]\n"
    "                   [--play CLAN] [--trace FILE] [--autopilot] [--score-server URL]\n"
    "                   [--sdl-pad]\n";

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--data")
            options.data = value();
        else if (arg == "--home")
            options.home = value();
        else if (arg == "--seed")
            options.seed = std::stoull(value());
        else if (arg == "--script")
            options.script = value();
        else if (arg == "--until-ms")
            options.untilMs = std::stoull(value());
        else if (arg == "--frame-ms")
            options.frameMs = std::stod(value());
        else if (arg == "--state")
            options.state = value();
        else if (arg == "--timedemo")
            options.timedemo = true;
        else if (arg == "--trace")
            options.trace = value();
        else if (arg == "--autopilot")
            options.autopilot = true;
        else if (arg == "--sdl-pad")
            options.sdlPad = true;
        else if (arg == "--score-server") {
            const std::optional<std::string> base = ScoreServerBase(value().c_str());
            if (!base || argv[i][0] == '\0')
                throw std::runtime_error("--score-server wants an http or https address");
            options.scoreServer = *base;
        } else if (arg == "--play") {
            options.play = std::stoi(value());
            if (options.play != 1 && options.play != 2)
                throw std::runtime_error("--play wants 1 (Bulldogs) or 2 (Dragons)");
        } else if (arg == "--screenshot") {
            const std::string v = value();
            const size_t colon = v.find(':');
            if (colon == std::string::npos) throw std::runtime_error("--screenshot wants MS:FILE.png");
            options.screenshots.emplace_back(std::stoull(v.substr(0, colon)), v.substr(colon + 1));
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return false;
        } else {
            throw std::runtime_error("unknown option '" + arg + "'");
        }
    }
    return true;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c >= 0x80) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string ClassName(const TSprite& sprite) {
    const char* mangled = typeid(sprite).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
    std::free(demangled);
    return name;
}

// A number as JSON: integers without a fraction, others with enough digits to compare.
std::string Num(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", value);
    return buffer;
}

std::string Color(uint32_t rgb) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06X", rgb & 0xFFFFFF);
    return buffer;
}

struct RunFigures {
    std::vector<long> rssKb;   // resident memory once a minute of game time
    int32_t maxSprites = 0;    // the most sprites on the road in one frame
    int32_t sdlPadEvents = 0;  // the game's events that came out of SDL's virtual pad
};

// What the game asked of the online side: the desktop's opens and the HTTP requests.
struct OnlineRecord {
    const std::vector<std::string>& linksOpened;
    const std::vector<std::pair<std::string, std::string>>& requests;  // URL, outcome
};

// Every request, with how it ended, on the way to the real client or the offline one.
class LoggedHttp : public IHttpClient {
public:
    explicit LoggedHttp(IHttpClient& inner) : inner_(inner) {}
    using IHttpClient::Get;
    HttpAnswer Get(const std::string& url, const std::vector<HttpHeader>& headers,
                   int32_t timeLimitMs) override {
        HttpAnswer answer = inner_.Get(url, headers, timeLimitMs);
        static const char* const kOutcomes[] = {"ok",        "http-error", "no-connection",
                                                "timed-out", "too-large",  "failed"};
        requests.emplace_back(url, kOutcomes[static_cast<int>(answer.outcome)]);
        return answer;
    }
    std::vector<std::pair<std::string, std::string>> requests;

private:
    IHttpClient& inner_;
};

std::string StateJson(TMainForm& form, FakeWindow& window, IDrawSurface& surface, bool exited,
                      const std::vector<std::string>& sounds, const RunFigures& figures,
                      const OnlineRecord& online) {
    std::ostringstream j;
    auto flag = [](bool b) { return b ? "true" : "false"; };
    j << "{\n";
    j << "  \"ScreenState\": " << static_cast<int>(form.ScreenState) << ",\n";
    j << "  \"Score\": " << form.Score << ",\n";
    j << "  \"Level\": " << form.Level << ",\n";
    j << "  \"Lives\": " << form.Lives << ",\n";
    j << "  \"Health\": " << Num(form.Health) << ",\n";
    j << "  \"Speed\": " << Num(form.Speed) << ",\n";
    j << "  \"Distance\": " << form.Distance << ",\n";
    j << "  \"LevelLength\": " << form.LevelLength << ",\n";
    j << "  \"Clan\": " << form.Clan << ",\n";
    j << "  \"Driving\": " << flag(form.Driving) << ",\n";
    j << "  \"Paused\": " << flag(form.Paused) << ",\n";
    j << "  \"Demo\": " << flag(form.Demo) << ",\n";
    j << "  \"attractRuns\": " << form.Attract.Runs() << ",\n";
    j << "  \"gamesStarted\": " << form.GamesStarted << ",\n";
    j << "  \"GameFullScreen\": " << flag(form.GameFullScreen) << ",\n";
    j << "  \"GameSound\": " << flag(form.GameSound) << ",\n";
    j << "  \"GameMusic\": " << flag(form.GameMusic) << ",\n";
    j << "  \"GameMainExit\": " << flag(form.GameMainExit) << ",\n";
    j << "  \"GameEnterName\": " << flag(form.GameEnterName) << ",\n";
    j << "  \"GameSendResult\": " << flag(form.GameSendResult) << ",\n";
    j << "  \"GamegoEdit\": " << flag(form.GamegoEdit) << ",\n";
    j << "  \"GameClearHighScore\": " << flag(form.GameClearHighScore) << ",\n";
    j << "  \"caption\": " << JsonString(window.Caption()) << ",\n";
    j << "  \"fullScreenWindow\": " << flag(window.IsFullScreen()) << ",\n";
    static const char* const kPointers[] = {"none", "arrow", "hand", "ibeam"};
    j << "  \"pointer\": \"" << kPointers[static_cast<int>(window.pointer)] << "\",\n";
    j << "  \"pointerWarps\": [";
    for (size_t i = 0; i < window.warps.size(); ++i)
        j << (i ? ", " : "") << "[" << window.warps[i].first << ", " << window.warps[i].second << "]";
    j << "],\n";
    j << "  \"MouseX\": " << form.MouseX << ",\n";
    j << "  \"MouseY\": " << form.MouseY << ",\n";
    j << "  \"HelpPage\": " << int(form.HelpPage) << ",\n";
    j << "  \"CountryName\": " << JsonString(form.CountryName) << ",\n";
    j << "  \"PlayerName\": " << JsonString(form.PlayerName) << ",\n";
    j << "  \"highScores\": [";
    for (size_t i = 0; i < form.HighScores.size(); ++i) {
        j << (i ? ", " : "") << "{\"name\": " << JsonString(form.HighScores[i].Name)
          << ", \"score\": " << form.HighScores[i].Score << "}";
    }
    j << "],\n";
    j << "  \"music\": " << (form.Audio.MusicName.empty() ? "null" : JsonString(form.Audio.MusicName))
      << ",\n";
    j << "  \"musicOrder\": " << form.Audio.LastMusicOrder << ",\n";
    auto list = [&](const char* name, const std::vector<std::string>& items) {
        j << "  \"" << name << "\": [";
        for (size_t i = 0; i < items.size(); ++i) j << (i ? ", " : "") << JsonString(items[i]);
        j << "],\n";
    };
    list("soundsPlayed", sounds);
    list("errors", form.Errors);
    list("messages", window.messages);
    list("linksOpened", online.linksOpened);
    j << "  \"httpRequests\": [";
    for (size_t i = 0; i < online.requests.size(); ++i)
        j << (i ? ", " : "") << "{\"url\": " << JsonString(online.requests[i].first)
          << ", \"outcome\": " << JsonString(online.requests[i].second) << "}";
    j << "],\n";
    list("packsLoaded", form.PacksLoaded);
    j << "  \"soundPackLoads\": " << form.SoundPackLoads << ",\n";
    std::map<std::string, int> classes;
    TSpriteEngine& root = form.SpriteEngine.Engine();
    for (int32_t i = 0; i < root.ChildCount(); ++i) ++classes[ClassName(*root.ChildAt(i))];
    j << "  \"sprites\": {";
    bool first = true;
    for (const auto& [name, count] : classes) {
        j << (first ? "" : ", ") << JsonString(name) << ": " << count;
        first = false;
    }
    j << "},\n";
    j << "  \"timers\": {\"Timer1\": " << flag(form.Timer1.Enabled())
      << ", \"frameTimer\": " << flag(form.DXTimer.Running()) << "},\n";
    // The rest of the game state, by its names.
    j << "  \"PlayerX\": " << Num(form.PlayerX) << ",\n";
    j << "  \"PlayerY\": " << Num(form.PlayerY) << ",\n";
    j << "  \"MaxSpeed\": " << Num(form.MaxSpeed) << ",\n";
    j << "  \"Acceleration\": " << form.Acceleration << ",\n";
    j << "  \"HasWeapon\": " << flag(form.HasWeapon) << ",\n";
    j << "  \"WeaponKind\": " << int(form.WeaponKind) << ",\n";
    j << "  \"Ammo\": " << form.Ammo << ",\n";
    j << "  \"ShotInFlight\": " << flag(form.ShotInFlight) << ",\n";
    j << "  \"NitroOn\": " << flag(form.NitroOn) << ",\n";
    j << "  \"NitroSeconds\": " << form.NitroSeconds << ",\n";
    j << "  \"SpeedBeforeNitro\": " << form.SpeedBeforeNitro << ",\n";
    j << "  \"LevelIntro\": " << flag(form.LevelIntro) << ",\n";
    j << "  \"TruckArrived\": " << flag(form.TruckArrived) << ",\n";
    j << "  \"PoliceChase\": " << flag(form.PoliceChase) << ",\n";
    j << "  \"Arrested\": " << flag(form.Arrested) << ",\n";
    j << "  \"PoliceHealth\": " << form.PoliceHealth << ",\n";
    j << "  \"PoliceCarPresent\": " << flag(form.PoliceCarPresent) << ",\n";
    j << "  \"PolicePostPresent\": " << flag(form.PolicePostPresent) << ",\n";
    j << "  \"SignPresent\": " << flag(form.SignPresent) << ",\n";
    j << "  \"StartBlink\": " << flag(form.StartBlink) << ",\n";
    j << "  \"GameOverPending\": " << flag(form.GameOverPending) << ",\n";
    j << "  \"gameTimers\": {\"Timer_Level\": " << flag(form.Timer_Level.Enabled())
      << ", \"Timer_Nitro\": " << flag(form.Timer_Nitro.Enabled())
      << ", \"Timer_police\": " << flag(form.Timer_police.Enabled()) << "},\n";
    j << "  \"hud\": [";
    for (size_t i = 0; i < form.Hud.size(); ++i) {
        const GameState::HudText& t = form.Hud[i];
        j << (i ? ", " : "") << "{\"text\": " << JsonString(t.text) << ", \"x\": " << t.x
          << ", \"y\": " << t.y << ", \"size\": " << t.size << ", \"color\": \"" << Color(t.color)
          << "\", \"width\": " << surface.TextWidth(form.TextFontName, t.size, t.text) << "}";
    }
    j << "],\n";
    j << "  \"maxSprites\": " << figures.maxSprites << ",\n";
    j << "  \"sdlPadEvents\": " << figures.sdlPadEvents << ",\n";
    j << "  \"rssKb\": [";
    for (size_t i = 0; i < figures.rssKb.size(); ++i) j << (i ? ", " : "") << figures.rssKb[i];
    j << "],\n";
    j << "  \"exited\": " << flag(exited) << ",\n";
    j << "  \"frames\": " << form.FramesDrawn << "\n";
    j << "}\n";
    return j.str();
}

class Simulation {
public:
    explicit Simulation(const Options& options) : options_(options) {
        surfacePixels_ = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32, SDL_PIXELFORMAT_ARGB8888);
        if (surfacePixels_ == nullptr) throw std::runtime_error(SDL_GetError());
        surface_ = SdlDrawSurface::ForSurface(surfacePixels_);
        sound_ = std::make_unique<RecordingSoundDevice>(clock_);
        sound_->recordStarts = false;
        music_ = std::make_unique<XmpMusicPlayer>(XmpMusicPlayer::Clock::Virtual);
        platform_.window = &window_;
        platform_.surface = surface_.get();
        platform_.sound = sound_.get();
        platform_.music = music_.get();
        platform_.keyboard = &keyboard_;
        platform_.clock = &clock_;
        // The simulator stays off the network unless told which server to use: offline, every
        // request finds no server. Links are only written down, never opened.
        if (!options.scoreServer.empty()) {
            curl_ = std::make_unique<CurlHttpClient>();
            platform_.scoreServer = options.scoreServer;
        }
        http_ = std::make_unique<LoggedHttp>(curl_ ? static_cast<IHttpClient&>(*curl_) : offline_);
        platform_.http = http_.get();
        platform_.desktop = &desktop_;
        platform_.pictures = &pictures_;
        platform_.dataRoot = options.data;
        platform_.settingsFolder = options.home;
        form_ = std::make_unique<TMainForm>(platform_);
        form_->Audio.RecordSounds = true;
        if (options.sdlPad) pad_ = std::make_unique<VirtualPad>();
        if (options.frameMs > 0) form_->DXTimer.SetFramePeriod(options.frameMs);
    }
    ~Simulation() {
        pad_.reset();
        form_.reset();
        surface_.reset();
        SDL_FreeSurface(surfacePixels_);
    }

    void Start() {
        form_->FormCreate();
        form_->Show();
        if (options_.play != 0) Play(options_.play);
        if (!options_.trace.empty()) {
            trace_.open(options_.trace);
            if (!trace_) throw std::runtime_error("cannot write " + options_.trace);
        }
    }

    // As choosing the clan on the clan-choice screen does.
    void Play(int32_t clan) {
        form_->Clan = clan;
        form_->SetScreenState(Screen::Game);
    }

    void Deliver(const InputEvent& event) {
        keyboard_.Track(event);
        form_->Deliver(event);
    }

    void Deliver(const SimEvent& event) {
        if (event.kind == ScriptEvent::Set) return SetValue(event);
        if (event.kind == ScriptEvent::Spawn) return Spawn(event);
        if (event.kind == ScriptEvent::Remove) return Remove(event);
        // What the window system and SDL would do before the game sees the event.
        if (event.kind == ScriptEvent::Maximize) window_.maximized = true;
        const bool padEvent = event.kind == ScriptEvent::PadDown || event.kind == ScriptEvent::PadUp ||
                              event.kind == ScriptEvent::PadAxis || event.kind == ScriptEvent::PadRemove;
        if (padEvent && pad_) {
            pad_->Apply(event.input, clock_.now, [&](const InputEvent& input) { Deliver(input); });
            return;
        }
        Deliver(event.input);
    }

    void SetValue(const SimEvent& event) {
        const std::string& name = event.args[0];
        const double value = std::stod(event.args[1]);
        if (!SetGameValue(*form_, name, value))
            throw std::runtime_error("script line " + std::to_string(event.line) + ": no game value '" +
                                     name + "'");
    }

    void Remove(const SimEvent& event) {
        TSpriteEngine& root = form_->SpriteEngine.Engine();
        for (int32_t i = 0; i < root.ChildCount(); ++i)
            if (ClassName(*root.ChildAt(i)) == event.args[0]) root.ChildAt(i)->Kill();
    }

    void Spawn(const SimEvent& event) {
        auto* game = dynamic_cast<GameScreen*>(form_->CurrentScreen());
        if (game == nullptr)
            throw std::runtime_error("script line " + std::to_string(event.line) +
                                     ": spawn outside the game screen");
        TSprite* sprite = SpawnRoadObject(game->World(), event.args[0]);
        if (sprite == nullptr)
            throw std::runtime_error("script line " + std::to_string(event.line) + ": no road object '" +
                                     event.args[0] + "'");
        if (event.args.size() == 3) {
            sprite->X = std::stod(event.args[1]);
            sprite->Y = std::stod(event.args[2]);
        }
    }

    // The bot's hands, once a frame: the keys it holds, Ctrl pressed when it fires, and a new
    // game started when one has ended.
    void Drive() {
        TMainForm& form = *form_;
        if (form.ScreenState != Screen::Game || form.Demo) {
            // Through the menus as a player goes, one action a frame.
            for (const InputEvent& event : MenuBotStep(form, options_.play != 0 ? options_.play : 1))
                Deliver(event);
            return;
        }
        const AutopilotInput input = DecideAutopilot(form, form.SpriteEngine.Engine());
        const std::pair<int32_t, bool> keys[] = {{kVkUp, input.up},
                                                 {kVkDown, input.down},
                                                 {kVkLeft, input.left},
                                                 {kVkRight, input.right},
                                                 {kVkSpace, input.handbrake}};
        for (const auto& [key, held] : keys) {
            InputEvent event;
            event.key = key;
            if (held && keyboard_.down.count(key) == 0) {
                event.kind = InputEvent::Kind::KeyDown;
                Deliver(event);
            } else if (!held && keyboard_.down.count(key) != 0) {
                event.kind = InputEvent::Kind::KeyUp;
                Deliver(event);
            }
        }
        if (input.fire) {
            InputEvent event;
            event.kind = InputEvent::Kind::KeyDown;
            event.key = kVkControl;
            event.shift = kShiftCtrl;
            Deliver(event);
            event.kind = InputEvent::Kind::KeyUp;
            Deliver(event);
        }
    }

    // One pass of the main loop at the clock's time.
    void Tick() {
        // The pad plugged in, and a held fire's repeats.
        if (pad_) pad_->Pump(clock_.now, [&](const InputEvent& input) { Deliver(input); });
        // A pointer moved by the game comes back as a move, as the window system reports it.
        while (warpsSeen_ < window_.warps.size()) {
            InputEvent move;
            move.kind = InputEvent::Kind::PointerMove;
            std::tie(move.x, move.y) = window_.warps[warpsSeen_++];
            Deliver(move);
        }
        if (options_.autopilot && form_->NextDueAt() <= clock_.now) Drive();
        const bool drew = form_->Idle();
        // Sounds started since the last pass, kept in order (the first ones) and per frame.
        std::vector<std::string>& played = form_->Audio.SoundsPlayed;
        for (std::string& name : played) {
            if (sounds_.size() < kSoundsKept) sounds_.push_back(name);
            frameSounds_.push_back(std::move(name));
        }
        played.clear();
        if (drew) {
            if (trace_.is_open()) TraceFrame();
            frameSounds_.clear();
            maxSprites_ = std::max(maxSprites_, form_->SpriteEngine.Engine().SpriteTotal);
            // Resident memory once a minute of game time, for the soak runs.
            if (form_->FramesDrawn % 3600 == 0) rssKb_.push_back(ResidentKb());
        }
    }

    void TraceFrame() {
        const TMainForm& f = *form_;
        auto flag = [](bool b) { return b ? "true" : "false"; };
        trace_ << "{\"frame\": " << f.FramesDrawn << ", \"ms\": " << clock_.now
               << ", \"ScreenState\": " << static_cast<int>(f.ScreenState) << ", \"Level\": " << f.Level
               << ", \"Score\": " << f.Score << ", \"Lives\": " << f.Lives
               << ", \"Health\": " << Num(f.Health) << ", \"Speed\": " << Num(f.Speed)
               << ", \"Distance\": " << f.Distance << ", \"PlayerX\": " << Num(f.PlayerX)
               << ", \"Driving\": " << flag(f.Driving) << ", \"Paused\": " << flag(f.Paused)
               << ", \"LevelIntro\": " << flag(f.LevelIntro) << ", \"GameMainExit\": " << flag(f.GameMainExit)
               << ", \"sounds\": [";
        for (size_t i = 0; i < frameSounds_.size(); ++i)
            trace_ << (i ? ", " : "") << JsonString(frameSounds_[i]);
        trace_ << "]}\n";
    }

    const std::vector<std::string>& Sounds() const { return sounds_; }
    const std::vector<long>& RssKb() const { return rssKb_; }
    int32_t MaxSprites() const { return maxSprites_; }
    int32_t SdlPadEvents() const { return pad_ ? pad_->EventsDelivered() : 0; }

    static long ResidentKb() {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
        return 0;
    }

    bool Screenshot(const std::string& file) {
        if (IMG_SavePNG(surfacePixels_, file.c_str()) != 0) {
            std::fprintf(stderr, "vandrax-sim: cannot write %s: %s\n", file.c_str(), IMG_GetError());
            return false;
        }
        return true;
    }

    // Runs virtual time up to untilMs, a millisecond at a time.
    void Run(const std::vector<SimEvent>& events) {
        auto shots = options_.screenshots;
        std::stable_sort(shots.begin(), shots.end(), [](auto& a, auto& b) { return a.first < b.first; });
        size_t nextEvent = 0;
        size_t nextShot = 0;
        for (uint64_t t = 0; t <= options_.untilMs; ++t) {
            if (clock_.now < t) {
                music_->AdvanceMs(static_cast<int>(t - clock_.now));
                clock_.now = t;
            }
            while (nextEvent < events.size() && events[nextEvent].at <= clock_.now && !form_->Terminated())
                Deliver(events[nextEvent++]);
            if (form_->Terminated()) break;
            Tick();
            while (nextShot < shots.size() && shots[nextShot].first <= clock_.now)
                Screenshot(shots[nextShot++].second);
            if (form_->Terminated()) break;
        }
    }

    // As fast as possible: every iteration is one frame of virtual time.
    void TimeDemo() {
        const double period = form_->DXTimer.FramePeriod();
        const auto start = std::chrono::steady_clock::now();
        const int64_t framesBefore = form_->FramesDrawn;
        double virtualTime = static_cast<double>(clock_.now);
        // The busiest frame (most sprites): how much of it the move and collision passes took.
        int32_t busiestSprites = -1;
        int64_t busiestMove = 0;
        int64_t busiestFrame = 0;
        int64_t moveTotal = 0;
        while (clock_.now < options_.untilMs && !form_->Terminated()) {
            virtualTime += period;
            const uint64_t next = static_cast<uint64_t>(virtualTime);
            music_->AdvanceMs(static_cast<int>(next - clock_.now));
            clock_.now = next;
            form_->SpriteEngine.LastMoveNanoseconds = 0;
            const auto frameStart = std::chrono::steady_clock::now();
            Tick();
            const int64_t frameNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now() - frameStart)
                                        .count();
            const int64_t moveNs = form_->SpriteEngine.LastMoveNanoseconds;
            moveTotal += moveNs;
            const int32_t sprites = form_->SpriteEngine.Engine().SpriteTotal;
            if (form_->ScreenState == Screen::Game && sprites > busiestSprites) {
                busiestSprites = sprites;
                busiestMove = moveNs;
                busiestFrame = frameNs;
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int64_t frames = form_->FramesDrawn - framesBefore;
        std::printf("frames %lld\nseconds %.3f\nfps %.1f\n", static_cast<long long>(frames), seconds,
                    seconds > 0 ? frames / seconds : 0.0);
        std::printf("move and collision passes %.1f%% of the run\n",
                    seconds > 0 ? 100.0 * static_cast<double>(moveTotal) / (seconds * 1e9) : 0.0);
        if (busiestSprites >= 0)
            std::printf(
                "busiest game frame: %d sprites, move and collision passes %.1f us of %.1f us (%.1f%%)\n",
                busiestSprites, busiestMove / 1000.0, busiestFrame / 1000.0,
                busiestFrame > 0
                    ? 100.0 * static_cast<double>(busiestMove) / static_cast<double>(busiestFrame)
                    : 0.0);
    }

    TMainForm& Form() { return *form_; }
    FakeWindow& Window() { return window_; }
    IDrawSurface& Surface() { return *surface_; }
    OnlineRecord Online() const { return {desktop_.opened, http_->requests}; }

private:
    const Options& options_;
    ManualClock clock_;
    FakeWindow window_;
    FakeKeyboard keyboard_;
    SDL_Surface* surfacePixels_ = nullptr;
    std::unique_ptr<SdlDrawSurface> surface_;
    std::unique_ptr<RecordingSoundDevice> sound_;
    std::unique_ptr<XmpMusicPlayer> music_;
    ScriptedHttpClient offline_;
    std::unique_ptr<CurlHttpClient> curl_;
    std::unique_ptr<LoggedHttp> http_;
    RecordingDesktop desktop_;
    SdlPictureLoader pictures_;
    Platform platform_;
    std::unique_ptr<TMainForm> form_;
    std::unique_ptr<VirtualPad> pad_;
    // The state file keeps the first sounds of a run; a long run does not grow for ever.
    static constexpr size_t kSoundsKept = 20000;
    std::vector<std::string> sounds_;
    std::vector<std::string> frameSounds_;
    std::ofstream trace_;
    size_t warpsSeen_ = 0;
    std::vector<long> rssKb_;
    int32_t maxSprites_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        if (!ParseOptions(argc, argv, options)) return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sim: %s\n%s", error.what(), kUsage);
        return 2;
    }
    if (options.home.empty()) {
        // Never the player's own settings: a fresh folder of its own.
        char folder[] = "/tmp/vandrax-sim-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::perror("vandrax-sim: mkdtemp");
            return 1;
        }
        options.home = folder;
    }
    if (options.data.empty()) options.data = FindDataRoot().string();
    std::vector<SimEvent> events;
    if (!options.script.empty()) {
        std::ifstream in(options.script);
        if (!in) {
            std::fprintf(stderr, "vandrax-sim: cannot read %s\n", options.script.c_str());
            return 2;
        }
        try {
            events = ParseSimScript(in, KeyCodeFromName);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vandrax-sim: %s\n", error.what());
            return 2;
        }
    }
    SeedRandom(options.seed);
    int status = 0;
    try {
        SdlSession session(SdlSession::Mode::Headless);
        Simulation sim(options);
        sim.Start();
        if (options.timedemo)
            sim.TimeDemo();
        else
            sim.Run(events);
        if (!options.state.empty()) {
            std::ofstream out(options.state);
            out << StateJson(sim.Form(), sim.Window(), sim.Surface(), sim.Form().Terminated(), sim.Sounds(),
                             RunFigures{sim.RssKb(), sim.MaxSprites(), sim.SdlPadEvents()}, sim.Online());
            if (!out) {
                std::fprintf(stderr, "vandrax-sim: cannot write %s\n", options.state.c_str());
                status = 1;
            }
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax-sim: %s\n", error.what());
        status = 1;
    }
    return status;
}
