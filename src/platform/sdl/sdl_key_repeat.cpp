// The desktop's key repeat, read from the X server. Kept apart: X11's headers define names
// (None, Status, ...) that clash with ours.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdint>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/XKBlib.h>
#endif

void DesktopKeyRepeat(SDL_Window* window, uint32_t& delayMs, uint32_t& intervalMs);

void DesktopKeyRepeat(SDL_Window* window, uint32_t& delayMs, uint32_t& intervalMs) {
    delayMs = 500;
    intervalMs = 1000 / 30;
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    unsigned int delay = 0;
    unsigned int interval = 0;
    if (XkbGetAutoRepeatRate(info.info.x11.display, XkbUseCoreKbd, &delay, &interval) && delay > 0 &&
        interval > 0) {
        delayMs = delay;
        intervalMs = interval;
    }
#else
    (void)window;
#endif
}
