#include "sim/sim_run.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <tuple>

#include "platform/sdl/curl_http.h"
#include "platform/sdl/music_xmp.h"
#include "platform/sdl/sdl_surface.h"
#include "screens/autopilot.h"
#include "screens/game_screen.h"
#include "sim/menu_bot.h"
#include "sim/sim_setup.h"

namespace {

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

}  // namespace

Simulation::Simulation(const SimOptions& options) : options_(options) {
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
    // The player's games are kept beside the settings, as the game keeps them in its data folder.
    platform_.replayFolder = std::filesystem::path(options.home) / "replays";
    platform_.version = VANDRAX_VERSION;
    form_ = std::make_unique<TMainForm>(platform_);
    if (!options.record.empty())
        form_->OnGameRecorded = [this](const Replay& replay) {
            if (recorded_) return;
            recorded_ = true;
            try {
                WriteReplayFile(options_.record, replay);
            } catch (const GameError& error) {
                recordError_ = error.what();
            }
        };
    form_->Audio.RecordSounds = true;
    if (options.sdlPad) pad_ = std::make_unique<VirtualPad>();
    if (options.frameMs > 0) form_->DXTimer.SetFramePeriod(options.frameMs);
    statesAt_ = options.statesAt;
    std::stable_sort(statesAt_.begin(), statesAt_.end(), [](auto& a, auto& b) { return a.first < b.first; });
}

Simulation::~Simulation() {
    pad_.reset();
    form_.reset();
    surface_.reset();
    SDL_FreeSurface(surfacePixels_);
}

void Simulation::Start() {
    form_->FormCreate();
    form_->Show();
    // As choosing the clan on the clan-choice screen does.
    if (options_.play != 0) {
        form_->Clan = options_.play;
        form_->SetScreenState(Screen::Game);
    }
    if (!options_.trace.empty()) {
        trace_.open(options_.trace);
        if (!trace_) throw std::runtime_error("cannot write " + options_.trace);
    }
}

StateSources Simulation::Sources() {
    return {*form_,
            window_,
            *surface_,
            form_->Terminated(),
            sounds_,
            {rssKb_, maxSprites_, pad_ ? pad_->EventsDelivered() : 0},
            {desktop_.opened, http_->requests}};
}

bool Simulation::WriteState(const std::string& file) {
    std::ofstream out(file);
    out << StateJson(Sources());
    if (!out) {
        std::fprintf(stderr, "vandrax-sim: cannot write %s\n", file.c_str());
        return false;
    }
    return true;
}

void Simulation::Deliver(const InputEvent& event) {
    keyboard_.Track(event);
    form_->Deliver(event);
}

void Simulation::Deliver(const SimEvent& event) {
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

void Simulation::SetValue(const SimEvent& event) {
    const std::string& name = event.args[0];
    const double value = std::stod(event.args[1]);
    if (!SetGameValue(*form_, name, value))
        throw std::runtime_error("script line " + std::to_string(event.line) + ": no game value '" + name +
                                 "'");
}

void Simulation::Remove(const SimEvent& event) {
    TSpriteEngine& root = form_->SpriteEngine.Engine();
    for (int32_t i = 0; i < root.ChildCount(); ++i)
        if (ClassName(*root.ChildAt(i)) == event.args[0]) root.ChildAt(i)->Kill();
}

void Simulation::Spawn(const SimEvent& event) {
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

// The bot's hands, once a frame: the keys it holds, Ctrl pressed when it fires, and a new game
// started when one has ended.
void Simulation::Drive() {
    TMainForm& form = *form_;
    if (form.ScreenState != Screen::Game || form.Demo) {
        // Through the menus as a player goes, one action a frame.
        const bool send = !options_.scoreServer.empty();
        for (const InputEvent& event : MenuBotStep(form, options_.play != 0 ? options_.play : 1, send))
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
void Simulation::Tick() {
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
        if (trace_.is_open()) WriteTraceLine(trace_, Sources(), clock_.now, frameSounds_);
        frameSounds_.clear();
        maxSprites_ = std::max(maxSprites_, form_->SpriteEngine.Engine().SpriteTotal);
        // Resident memory once a minute of game time, for the soak runs.
        if (form_->FramesDrawn % 3600 == 0) rssKb_.push_back(ResidentKb());
    }
}

bool Simulation::FinishRecord() {
    // A game still being played is kept as the game keeps it when the window closes.
    form_->FinishRecording();
    if (options_.record.empty()) return true;
    if (!recorded_) recordError_ = "no game was played to record";
    if (recordError_.empty()) return true;
    std::fprintf(stderr, "vandrax-sim: %s: %s\n", options_.record.c_str(), recordError_.c_str());
    return false;
}

bool Simulation::Screenshot(const std::string& file) {
    if (IMG_SavePNG(surfacePixels_, file.c_str()) != 0) {
        std::fprintf(stderr, "vandrax-sim: cannot write %s: %s\n", file.c_str(), IMG_GetError());
        return false;
    }
    return true;
}

// A run that ended early (the program quit) stands still from then on: a run of the same script
// until a later moment ends with this same state, so the rest are written now.
void Simulation::WriteStatesDue(bool all) {
    while (nextStateAt_ < statesAt_.size() && (all || statesAt_[nextStateAt_].first <= clock_.now))
        if (!WriteState(statesAt_[nextStateAt_++].second)) stateAtFailed_ = true;
}

bool Simulation::Run(const std::vector<SimEvent>& events) {
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
        WriteStatesDue(false);
        if (form_->Terminated()) break;
    }
    WriteStatesDue(true);
    return !stateAtFailed_;
}

bool Simulation::TimeDemo() {
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
        WriteStatesDue(false);
    }
    WriteStatesDue(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t frames = form_->FramesDrawn - framesBefore;
    std::printf("frames %lld\nseconds %.3f\nfps %.1f\n", static_cast<long long>(frames), seconds,
                seconds > 0 ? frames / seconds : 0.0);
    std::printf("move and collision passes %.1f%% of the run\n",
                seconds > 0 ? 100.0 * static_cast<double>(moveTotal) / (seconds * 1e9) : 0.0);
    if (busiestSprites >= 0)
        std::printf("busiest game frame: %d sprites, move and collision passes %.1f us of %.1f us (%.1f%%)\n",
                    busiestSprites, busiestMove / 1000.0, busiestFrame / 1000.0,
                    busiestFrame > 0
                        ? 100.0 * static_cast<double>(busiestMove) / static_cast<double>(busiestFrame)
                        : 0.0);
    return !stateAtFailed_;
}
