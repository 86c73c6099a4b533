// The yardstick for the game's start-up: a bare SDL program that opens the same 800 x 600 window
// with the same kind of renderer, presents one cleared frame and ends. bench/startup.sh times it
// against the game's start to its first presented frame.

#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>

int main(int, char**) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("Vandrax", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
                                          SDL_WINDOW_RESIZABLE);
    // As the game chooses: the GPU's renderer when there is a render node, else SDL's software one.
    struct stat node {};
    const bool gpu = stat("/dev/dri/renderD128", &node) == 0;
    SDL_Renderer* renderer =
        window == nullptr ? nullptr
                          : SDL_CreateRenderer(window, -1,
                                               (gpu ? SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC
                                                    : SDL_RENDERER_SOFTWARE) |
                                                   SDL_RENDERER_TARGETTEXTURE);
    if (renderer == nullptr) {
        std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
    SDL_PumpEvents();
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
