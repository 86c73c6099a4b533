// vandrax: the game.

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "app/random.h"
#include "app/replay.h"
#include "app/replay_store.h"
#include "app/settings_file.h"
#include "base/errors.h"
#include "online/data_paths.h"
#include "online/web_links.h"
#include "platform/clock.h"
#include "platform/sdl/curl_http.h"
#include "platform/sdl/music_xmp.h"
#include "platform/sdl/sdl_desktop.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_pictures.h"
#include "platform/sdl/sdl_session.h"
#include "platform/sdl/sdl_sound.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/sdl/sdl_window.h"
#include "shell/main_form.h"

namespace {

// For CPU measurements from outside (bench/window-bench.sh): SIGUSR1 asks for the number of
// frames presented so far, printed on standard output.
volatile std::sig_atomic_t frameCountAsked = 0;
void AskFrameCount(int) {
    frameCountAsked = 1;
}

// The longest sleep between frames that does not wait for events (a frame at 60 Hz and a bit).
constexpr int kPlainSleepMs = 20;

class SdlClock : public IClock {
public:
    uint64_t Milliseconds() const override { return SDL_GetTicks64(); }
};

// The window and its renderer, destroyed in the right order whatever happens in between.
struct WindowHandles {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    ~WindowHandles() {
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
        if (window != nullptr) SDL_DestroyWindow(window);
    }
};

// The game; with a replay file, that replay watched in the window instead, the program ending
// with it. Returns the exit status.
int Run(const char* replayFile) {
    SdlSession session(SdlSession::Mode::Window);
    WindowHandles handles;
    handles.window = SDL_CreateWindow("Vandrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
                                      SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (handles.window == nullptr) throw SdlError("SDL_CreateWindow");
    SDL_SetWindowMinimumSize(handles.window, 400, 300);
    handles.renderer = CreateGameRenderer(handles.window);

    auto surface = handles.renderer != nullptr ? SdlDrawSurface::ForWindow(handles.renderer, 800, 600)
                                               : SdlDrawSurface::ForWindowSurface(handles.window, 800, 600);
    SdlWindow window(handles.window, surface.get());
    SdlSoundDevice sound;
    XmpMusicPlayer music(XmpMusicPlayer::Clock::Audio);
    SdlKeyboard keyboard(handles.window);
    SdlClock clock;
    CurlHttpClient http;
    SdlDesktop desktop;
    SdlPictureLoader pictures;

    Platform platform;
    platform.window = &window;
    platform.surface = surface.get();
    platform.sound = &sound;
    platform.music = &music;
    platform.keyboard = &keyboard;
    platform.clock = &clock;
    platform.http = &http;
    platform.desktop = &desktop;
    platform.pictures = &pictures;
    if (const std::optional<std::string> server = ScoreServerBase(std::getenv("VANDRAX_SCORE_SERVER")))
        platform.scoreServer = *server;
    else
        std::fprintf(stderr, "vandrax: VANDRAX_SCORE_SERVER is no http or https address; using %s\n",
                     platform.scoreServer.c_str());
    platform.dataRoot = FindDataRoot();
    try {
        platform.settingsFolder = SettingsFolder();
    } catch (const GameError& error) {
        std::fprintf(stderr, "vandrax: %s\n", error.what());
    }
    try {
        platform.replayFolder = DefaultReplayFolder();
    } catch (const GameError& error) {
        std::fprintf(stderr, "vandrax: %s\n", error.what());
    }
    platform.version = VANDRAX_VERSION;
    SeedRandom(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));

    // For start-up measurements: end after this many presented frames.
    const char* exitAfter = std::getenv("VANDRAX_EXIT_AFTER_FRAMES");
    const int64_t framesToRun = exitAfter != nullptr ? std::atoll(exitAfter) : 0;
    const char* reportFrames = std::getenv("VANDRAX_REPORT_FRAMES");
    if (reportFrames != nullptr && *reportFrames != 0) std::signal(SIGUSR1, AskFrameCount);

    TMainForm form(platform);
    form.FormCreate();
    SDL_ShowWindow(handles.window);
    form.Show();
    if (replayFile != nullptr) {
        // A replay that cannot be read, or that this game would not play as it was played, is told
        // as the game tells its errors, and nothing is shown.
        try {
            form.WatchReplay(ReadReplayFile(replayFile), Screen::None);
        } catch (const GameError& error) {
            const std::string message = error.what();
            form.ReportError(message.find(replayFile) == std::string::npos ? replayFile + (": " + message)
                                                                           : message);
            return 2;
        }
    }
    SDL_StartTextInput();
    uint32_t repeatDelay = 0;
    uint32_t repeatInterval = 0;
    DesktopKeyRepeat(handles.window, repeatDelay, repeatInterval);
    SdlEventSource input(window, repeatDelay, repeatInterval);
    auto deliver = [&form](const InputEvent& event) { form.Deliver(event); };
    SDL_Event event;
    while (!form.Terminated()) {
        while (!form.Terminated() && SDL_PollEvent(&event) != 0) input.Translate(event, deliver);
        input.Repeat(clock.Milliseconds(), deliver);
        if (form.Terminated()) break;
        form.Idle();
        if (framesToRun > 0 && form.FramesDrawn >= framesToRun) break;
        if (frameCountAsked != 0) {
            frameCountAsked = 0;
            std::printf("frames %lld\n", static_cast<long long>(form.FramesDrawn));
            std::fflush(stdout);
        }
        // Sleep until the next frame, timer or key repeat is due; after a drawn frame too, rather
        // than going round again only to find nothing due. Each round asks the X server and the
        // pads for events, and waiting for events asks them twice more, so a sleep shorter than a
        // frame is a plain sleep: input that comes meanwhile is taken before the next frame all
        // the same. A longer one (nothing drawn: paused, in the background) wakes at once for input.
        if (form.Terminated()) break;
        const uint64_t now = clock.Milliseconds();
        const uint64_t due = std::min(form.NextDueAt(), input.NextRepeatAt());
        const int wait = due > now ? static_cast<int>(std::min<uint64_t>(due - now, 50)) : 0;
        if (wait > kPlainSleepMs) {
            if (SDL_WaitEventTimeout(&event, wait) != 0) input.Translate(event, deliver);
        } else if (wait > 0) {
            SDL_Delay(static_cast<Uint32>(wait));
        }
    }
    // A game still being played when the program ends is kept all the same.
    form.FinishRecording();
    if (replayFile != nullptr) {
        // Ended by a signal before its end: it ends now, where it was.
        form.StopWatching();
        const ReplayEnd& end = form.WatchedEnd;
        std::printf("vandrax: replay ended: score %d, level %d, lives %d, frames %lld\n", end.score,
                    end.level, end.lives, static_cast<long long>(end.frames));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* replayFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: vandrax [--help] [--version] [--replay FILE]\n"
                "Two gangs fight over the last town: drive, dodge and shoot.\n"
                "  --replay FILE  watch a replay (P pauses, Right or F speeds up, Escape ends)\n"
                "Settings and high scores: $XDG_CONFIG_HOME/vandrax/Config.cfg\n"
                "Replays of your games: $XDG_DATA_HOME/vandrax/replays/\n"
                "Score server: VANDRAX_SCORE_SERVER (default http://localhost:8642)\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vandrax %s\n", VANDRAX_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--replay") == 0 && i + 1 < argc && replayFile == nullptr) {
            replayFile = argv[++i];
            continue;
        }
        if (std::strcmp(argv[i], "--replay") == 0) {
            std::fprintf(stderr, "vandrax: --replay wants one FILE (try --help)\n");
            return 2;
        }
        std::fprintf(stderr, "vandrax: unknown option '%s' (try --help)\n", argv[i]);
        return 2;
    }
    try {
        return Run(replayFile);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vandrax: %s\n", error.what());
        return 1;
    }
}
