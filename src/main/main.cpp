// vandrax: the game.

#include <SDL.h>
#include <SDL_ttf.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/main_form.h"
#include "app/random.h"
#include "app/settings_file.h"
#include "base/errors.h"
#include "platform/clock.h"
#include "platform/sdl/music_xmp.h"
#include "platform/sdl/paths.h"
#include "platform/sdl/sdl_input.h"
#include "platform/sdl/sdl_sound.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/sdl/sdl_window.h"

namespace {

class SdlClock : public IClock {
public:
    uint64_t Milliseconds() const override { return SDL_GetTicks64(); }
};

void Dispatch(const SDL_Event& event, TMainForm& form, SdlWindow& window, SdlDrawSurface& surface) {
    switch (event.type) {
        case SDL_QUIT:
            // With the last-window-close quit switched off this comes only from a termination
            // signal (Ctrl+C in a terminal, the session ending): end cleanly.
            form.Terminate();
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    form.FormCloseQuery();
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    form.SetApplicationActive(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    form.SetApplicationActive(false);
                    break;
                case SDL_WINDOWEVENT_MAXIMIZED:
                    form.FormResize(true);
                    break;
                default:
                    break;
            }
            break;
        case SDL_KEYDOWN: {
            const int vk = VirtualKeyFromSdl(event.key.keysym.sym);
            if (vk != 0) form.FormKeyDown(vk, ShiftStateFromSdl(event.key.keysym.mod));
            // Keys that also arrive as characters in a key-press event.
            if (vk == 8 || vk == 13 || vk == 27) form.FormKeyPress(static_cast<char>(vk));
            break;
        }
        case SDL_TEXTINPUT:
            // Single-byte characters only: the game's texts are 8-bit.
            for (const char* c = event.text.text; *c != 0; ++c)
                if ((static_cast<unsigned char>(*c) & 0x80) == 0) form.FormKeyPress(*c);
            break;
        case SDL_MOUSEMOTION: {
            int32_t x = 0;
            int32_t y = 0;
            window.MapPointer(event.motion.x, event.motion.y, x, y);
            form.DXDrawMouseMove(x, y);
            break;
        }
        case SDL_MOUSEBUTTONDOWN: {
            int32_t x = 0;
            int32_t y = 0;
            window.MapPointer(event.button.x, event.button.y, x, y);
            const MouseButton button = event.button.button == SDL_BUTTON_RIGHT    ? MouseButton::Right
                                       : event.button.button == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                                                                   : MouseButton::Left;
            form.DXDrawMouseDown(button, x, y);
            break;
        }
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            surface.RecreateTarget();
            form.SurfaceRestored();
            break;
        default:
            break;
    }
}

// A GL renderer that runs on the CPU (llvmpipe and friends, as on a desktop without a GPU or
// under Xvfb) costs several times the CPU and memory of SDL's own software renderer.
bool IsSoftwareGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const auto* name = reinterpret_cast<const char*>(getString(0x1F01));  // GL_RENDERER
    return name != nullptr && (std::strstr(name, "llvmpipe") != nullptr || std::strstr(name, "softpipe") != nullptr ||
                               std::strstr(name, "Software Rasterizer") != nullptr);
}

// No render node: no GPU the renderer could use, so do not even load the GL stack.
bool HasRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error))
        if (entry.path().filename().string().rfind("renderD", 0) == 0) return true;
    return false;
}

SDL_Renderer* CreateRenderer(SDL_Window* window) {
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool userChoice = chosen != nullptr && *chosen != 0;
    SDL_Renderer* renderer = nullptr;
    if (userChoice || HasRenderNode())
        renderer = SDL_CreateRenderer(window, -1,
                                      SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
    if (renderer != nullptr && !userChoice && IsSoftwareGl(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
    return renderer;
}

int Run() {
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "vandrax: cannot start the video system: %s\n", SDL_GetError());
        return 1;
    }
    if (TTF_Init() != 0) std::fprintf(stderr, "vandrax: no text: %s\n", TTF_GetError());

    SDL_Window* sdlWindow = SDL_CreateWindow("Vandrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
                                             SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (sdlWindow == nullptr) {
        std::fprintf(stderr, "vandrax: cannot open the window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_SetWindowMinimumSize(sdlWindow, 400, 300);
    SDL_Renderer* renderer = CreateRenderer(sdlWindow);
    if (renderer == nullptr) {
        std::fprintf(stderr, "vandrax: cannot draw in the window: %s\n", SDL_GetError());
        return 1;
    }

    int status = 0;
    {
        auto surface = SdlDrawSurface::ForWindow(renderer, 800, 600);
        SdlWindow window(sdlWindow, surface.get());
        SdlSoundDevice sound;
        XmpMusicPlayer music(XmpMusicPlayer::Clock::Audio);
        SdlKeyboard keyboard(sdlWindow);
        SdlClock clock;

        Platform platform;
        platform.window = &window;
        platform.surface = surface.get();
        platform.sound = &sound;
        platform.music = &music;
        platform.keyboard = &keyboard;
        platform.clock = &clock;
        platform.dataRoot = FindDataRoot();
        try {
            platform.settingsFolder = SettingsFolder();
        } catch (const GameError& error) {
            std::fprintf(stderr, "vandrax: %s\n", error.what());
        }
        SeedRandom(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                   static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));

        // For start-up measurements: end after this many presented frames.
        const char* exitAfter = std::getenv("VANDRAX_EXIT_AFTER_FRAMES");
        const int64_t framesToRun = exitAfter != nullptr ? std::atoll(exitAfter) : 0;

        TMainForm form(platform);
        form.FormCreate();
        SDL_ShowWindow(sdlWindow);
        form.Show();
        SDL_StartTextInput();
        SDL_Event event;
        while (!form.Terminated()) {
            while (!form.Terminated() && SDL_PollEvent(&event) != 0) Dispatch(event, form, window, *surface);
            if (form.Terminated()) break;
            const bool drew = form.Idle();
            if (framesToRun > 0 && form.FramesDrawn >= framesToRun) break;
            if (!drew) {
                // Sleep until the next frame or timer is due, waking at once for input.
                const uint64_t now = clock.Milliseconds();
                const uint64_t due = form.NextDueAt();
                const int wait = due > now ? static_cast<int>(std::min<uint64_t>(due - now, 50)) : 0;
                if (wait > 0 && SDL_WaitEventTimeout(&event, wait) != 0) Dispatch(event, form, window, *surface);
            }
        }
    }
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(sdlWindow);
    TTF_Quit();
    SDL_Quit();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: vandrax [--help] [--version]\n"
                "Two gangs fight over the last town: drive, dodge and shoot.\n"
                "Settings and high scores: $XDG_CONFIG_HOME/vandrax/Config.cfg\n");
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vandrax %s\n", VANDRAX_VERSION);
            return 0;
        }
        std::fprintf(stderr, "vandrax: unknown option '%s' (try --help)\n", argv[i]);
        return 2;
    }
    return Run();
}
