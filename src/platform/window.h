#pragma once
// The main window as the game sees it.

#include <cstdint>
#include <string>

enum class PointerShape { None, Arrow, Hand, IBeam };

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual std::string Caption() const = 0;
    // Desktop full screen with the surface scaled to fit; the monitor's mode is never changed.
    virtual void SetFullScreen(bool fullScreen) = 0;
    virtual bool IsFullScreen() const = 0;
    virtual bool IsMaximized() const = 0;
    virtual void StorePlacement() = 0;    // remember position and size of the window
    virtual void RestorePlacement() = 0;  // put them back (only if stored)
    virtual void ShowNormal() = 0;        // not minimised, not maximised
    virtual void SetPointer(PointerShape shape) = 0;
    // Moves the pointer to surface pixel (x, y) of this window.
    virtual void WarpPointer(int32_t x, int32_t y) = 0;
    // The application's message box (modal in the game, recorded in the simulator).
    virtual void ShowMessage(const std::string& text) = 0;
    // The same box in the information style (the game's own notices, not errors).
    virtual void ShowInformation(const std::string& text) { ShowMessage(text); }
};
