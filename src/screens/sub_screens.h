#pragma once
// The frame every sub-screen (clan choice, help, options, high scores) is built in: a panel on
// the left with the main menu's items still on the right. A pointer that leaves the panel is back
// on the main menu; the pointer is moved into the panel when a sub-screen opens from an item, so
// that this does not fire at once.

#include <cstdint>
#include <functional>

#include "app/screen.h"
#include "engine/sprite.h"

class SubScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Leave() override;

protected:
    struct Layout {
        int32_t warpX;  // where the pointer goes when it was over the items
        int32_t warpY;
        bool menuMusicAfterGame;  // the screens that can follow a game start the menu music again
    };
    // Builds the frame around the screen's own sprites: the panel first, the items, the logo and
    // the tiled background last.
    void BuildFrame(const Layout& layout, const std::function<void(TSpriteEngine&)>& ownSprites);
    // The sub-screen frame: moved, cleaned up and drawn on black; the frame's texts start afresh.
    void DrawFrame();
    // When the pointer has left the panel: back to the main menu, and with handOn the rest of the
    // move is the main menu's (the item under the pointer lights at once). Returns true then.
    bool LeftPanel(int32_t x, int32_t y, bool handOn);
};
