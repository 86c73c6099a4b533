#pragma once
// The main window on SDL: caption, desktop full screen, placement, pointer shapes and warp,
// and the message box.

#include <SDL.h>

#include <array>
#include <string>

#include "platform/window.h"

class SdlDrawSurface;

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

    // Window pixels to surface pixels.
    void MapPointer(int windowX, int windowY, int32_t& x, int32_t& y) const;
    SDL_Window* Handle() const { return window_; }

private:
    SDL_Window* window_;
    SdlDrawSurface* surface_;
    std::string caption_;
    std::array<SDL_Cursor*, 4> cursors_{};
    bool placementStored_ = false;
    int storedX_ = 0, storedY_ = 0, storedW_ = 0, storedH_ = 0;
};
