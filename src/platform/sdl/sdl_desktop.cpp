#include "platform/sdl/sdl_desktop.h"

#include <SDL.h>

#include <cstdio>

void SdlDesktop::OpenUrl(const std::string& url) {
    // The game does not examine the result; a line on stderr helps whoever wonders why no
    // browser came up.
    if (SDL_OpenURL(url.c_str()) != 0)
        std::fprintf(stderr, "vandrax: cannot open %s: %s\n", url.c_str(), SDL_GetError());
}
