#pragma once
// The main window on SDL: caption, desktop full screen, placement, pointer shapes and warp,
// and the message box.

#include <SDL.h>

#include <array>
#include <string>

#include "base/geometry.h"
#include "platform/window.h"

class SdlDrawSurface;

// The window pixel (windowX, windowY) in surface pixels, for a surface of surfaceWidth x
// surfaceHeight presented at `place` (window pixels): the surface pixel under the window pixel's
// centre. Points in the black bars land outside the surface, on the side of their bar.
void MapWindowToSurface(const Rect& place, int surfaceWidth, int surfaceHeight, int windowX, int windowY,
                        int32_t& x, int32_t& y);
// The other way: the window pixel under the centre of surface pixel (x, y).
void MapSurfaceToWindow(const Rect& place, int surfaceWidth, int surfaceHeight, int32_t x, int32_t y,
                        int& windowX, int& windowY);

class SdlWindow : public IWindow {
public:
    SdlWindow(SDL_Window* window, SdlDrawSurface* surface);
    ~SdlWindow() override;

    void SetCaption(const std::string& caption) override;
    std::string Caption() const override { return caption_; }
    void SetFullScreen(bool fullScreen) override;
    bool IsFullScreen() const override;
    bool IsMaximized() const override;
    void StorePlacement() override;
    void RestorePlacement() override;
    void ShowNormal() override;
    void SetPointer(PointerShape shape) override;
    void WarpPointer(int32_t x, int32_t y) override;
    void ShowMessage(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

    // Window pixels to surface pixels.
    void MapPointer(int windowX, int windowY, int32_t& x, int32_t& y) const;

private:
    struct Placement {
        int x = 0, y = 0, w = 0, h = 0;
    };
    // Follows the window's moves and resizes as SDL receives them, keeping the last placement it
    // had as a plain window (neither maximised, nor full screen, nor minimised).
    static int SDLCALL WatchEvents(void* self, SDL_Event* event);
    void NotePlacement(uint8_t windowEvent);
    Placement Current() const;

    SDL_Window* window_;
    SdlDrawSurface* surface_;
    std::string caption_;
    std::array<SDL_Cursor*, 4> cursors_{};
    Placement normal_;
    bool placementStored_ = false;
    Placement stored_;
};
