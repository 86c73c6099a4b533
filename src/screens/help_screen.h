#pragma once
// "HELP": three pages on the panel (the story, the controls, about the game), turned with the
// previous and next buttons. It always opens on the first page.

#include "screens/menu_focus.h"
#include "screens/sub_screens.h"

class HelpScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;

private:
    // The pointer's hover and click at a place, which the keys' light uses at its item's centre.
    void HoverAt(int32_t x, int32_t y);
    void ClickAt(int32_t x, int32_t y);
    // Previous, Back and Next side by side.
    MenuFocus focus_;
};
