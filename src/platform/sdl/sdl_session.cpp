#include "platform/sdl/sdl_session.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

GameError SdlError(const char* call) {
    return GameError(std::string(call) + ": " + SDL_GetError());
}

SdlSession::SdlSession(Mode mode) {
    Uint32 flags = 0;
    if (mode == Mode::Window) {
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        flags = SDL_INIT_VIDEO | SDL_INIT_TIMER | SDL_INIT_EVENTS | SDL_INIT_GAMECONTROLLER;
    }
    if (SDL_Init(flags) != 0) throw SdlError("SDL_Init");
    // Without text the game still runs; the texts are simply not drawn.
    text_ = TTF_Init() == 0;
    if (!text_) std::fprintf(stderr, "vandrax: no text: %s\n", TTF_GetError());
}

SdlSession::~SdlSession() {
    if (text_) TTF_Quit();
    SDL_Quit();
}

namespace {

// A GL renderer that runs on the CPU (llvmpipe and friends, as on a desktop without a GPU or
// under Xvfb).
bool IsSoftwareGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const auto* name = reinterpret_cast<const char*>(getString(0x1F01));  // GL_RENDERER
    return name != nullptr &&
           (std::strstr(name, "llvmpipe") != nullptr || std::strstr(name, "softpipe") != nullptr ||
            std::strstr(name, "Software Rasterizer") != nullptr);
}

// No render node: no GPU the renderer could use, so do not even load the GL stack.
bool HasRenderNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error))
        if (entry.path().filename().string().rfind("renderD", 0) == 0) return true;
    return false;
}

}  // namespace

SDL_Renderer* CreateGameRenderer(SDL_Window* window) {
    const char* chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    const bool userChoice = chosen != nullptr && *chosen != 0;
    SDL_Renderer* renderer = nullptr;
    if (userChoice || HasRenderNode())
        renderer = SDL_CreateRenderer(
            window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE);
    SDL_RendererInfo info;
    const bool software = renderer != nullptr && SDL_GetRendererInfo(renderer, &info) == 0 &&
                          (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    if (renderer != nullptr && (software || (!userChoice && IsSoftwareGl(renderer)))) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr && userChoice && std::strcmp(chosen, "software") != 0)
        throw SdlError("SDL_CreateRenderer");
    return renderer;
}
