#include "platform/sdl/sdl_window.h"

#include "platform/sdl/sdl_surface.h"

namespace {

// Rounds towards minus infinity, so points left of or above the picture stay negative.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The pixel under the centre of pixel `at` of a row of `from` pixels shown over `to` pixels.
int32_t Rescale(int64_t at, int64_t from, int64_t to) {
    return static_cast<int32_t>(FloorDiv((2 * at + 1) * to, 2 * from));
}

}  // namespace

void MapWindowToSurface(const Rect& place, int surfaceWidth, int surfaceHeight, int windowX, int windowY,
                        int32_t& x, int32_t& y) {
    if (place.Width() <= 0 || place.Height() <= 0) {
        x = windowX;
        y = windowY;
        return;
    }
    x = Rescale(windowX - place.left, place.Width(), surfaceWidth);
    y = Rescale(windowY - place.top, place.Height(), surfaceHeight);
}

void MapSurfaceToWindow(const Rect& place, int surfaceWidth, int surfaceHeight, int32_t x, int32_t y,
                        int& windowX, int& windowY) {
    windowX = place.left + Rescale(x, surfaceWidth, place.Width());
    windowY = place.top + Rescale(y, surfaceHeight, place.Height());
}

SdlWindow::SdlWindow(SDL_Window* window, SdlDrawSurface* surface) : window_(window), surface_(surface) {
    caption_ = SDL_GetWindowTitle(window_);
    normal_ = Current();
    SDL_AddEventWatch(&SdlWindow::WatchEvents, this);
}

SdlWindow::~SdlWindow() {
    SDL_DelEventWatch(&SdlWindow::WatchEvents, this);
    for (SDL_Cursor* cursor : cursors_)
        if (cursor != nullptr) SDL_FreeCursor(cursor);
}

int SDLCALL SdlWindow::WatchEvents(void* self, SDL_Event* event) {
    auto* window = static_cast<SdlWindow*>(self);
    if (event->type == SDL_WINDOWEVENT && event->window.windowID == SDL_GetWindowID(window->window_))
        window->NotePlacement(event->window.event);
    return 1;
}

SdlWindow::Placement SdlWindow::Current() const {
    Placement p;
    SDL_GetWindowPosition(window_, &p.x, &p.y);
    SDL_GetWindowSize(window_, &p.w, &p.h);
    return p;
}

void SdlWindow::NotePlacement(uint8_t windowEvent) {
    if (windowEvent != SDL_WINDOWEVENT_MOVED && windowEvent != SDL_WINDOWEVENT_SIZE_CHANGED &&
        windowEvent != SDL_WINDOWEVENT_RESTORED && windowEvent != SDL_WINDOWEVENT_SHOWN)
        return;
    const uint32_t notPlain = SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MINIMIZED;
    if ((SDL_GetWindowFlags(window_) & notPlain) != 0) return;
    // On the way out of full screen, or into a maximised state the window manager has not told
    // yet, the window passes through the whole display's size: no plain window is that big.
    // The usable area (the display less its panels) is never larger than the display.
    const Placement now = Current();
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(window_), &usable) == 0 && now.w >= usable.w &&
        now.h >= usable.h)
        return;
    normal_ = now;
}

void SdlWindow::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    SDL_SetWindowTitle(window_, caption.c_str());
}

void SdlWindow::SetFullScreen(bool fullScreen) {
    SDL_SetWindowFullscreen(window_, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool SdlWindow::IsFullScreen() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool SdlWindow::IsMaximized() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0;
}

void SdlWindow::StorePlacement() {
    // A maximised window goes back to where it was before it was maximised.
    const bool plain = (SDL_GetWindowFlags(window_) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)) == 0;
    stored_ = plain ? Current() : normal_;
    placementStored_ = true;
}

void SdlWindow::RestorePlacement() {
    if (!placementStored_) return;
    SDL_RestoreWindow(window_);
    SDL_SetWindowSize(window_, stored_.w, stored_.h);
    SDL_SetWindowPosition(window_, stored_.x, stored_.y);
}

void SdlWindow::ShowNormal() {
    if (!IsFullScreen() && (SDL_GetWindowFlags(window_) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)) != 0)
        SDL_RestoreWindow(window_);
}

void SdlWindow::SetPointer(PointerShape shape) {
    if (shape == PointerShape::None) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    const auto index = static_cast<size_t>(shape);
    if (cursors_[index] == nullptr) {
        const SDL_SystemCursor id = shape == PointerShape::Hand    ? SDL_SYSTEM_CURSOR_HAND
                                    : shape == PointerShape::IBeam ? SDL_SYSTEM_CURSOR_IBEAM
                                                                   : SDL_SYSTEM_CURSOR_ARROW;
        // NULL where the video driver has no cursors (the dummy driver): the shape just stays.
        cursors_[index] = SDL_CreateSystemCursor(id);
    }
    if (cursors_[index] != nullptr) SDL_SetCursor(cursors_[index]);
    SDL_ShowCursor(SDL_ENABLE);
}

void SdlWindow::WarpPointer(int32_t x, int32_t y) {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    const Rect place = LetterboxRect(w, h, surface_->Width(), surface_->Height());
    int windowX = 0;
    int windowY = 0;
    MapSurfaceToWindow(place, surface_->Width(), surface_->Height(), x, y, windowX, windowY);
    SDL_WarpMouseInWindow(window_, windowX, windowY);
}

void SdlWindow::MapPointer(int windowX, int windowY, int32_t& x, int32_t& y) const {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    const Rect place = LetterboxRect(w, h, surface_->Width(), surface_->Height());
    MapWindowToSurface(place, surface_->Width(), surface_->Height(), windowX, windowY, x, y);
}

void SdlWindow::ShowMessage(const std::string& text) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Vandrax", text.c_str(), window_);
}

void SdlWindow::ShowInformation(const std::string& text) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "Vandrax", text.c_str(), window_);
}
