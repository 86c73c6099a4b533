#pragma once
// "HELP": three pages on the panel (the story, the controls, about the game), turned with the
// previous and next buttons. It always opens on the first page.

#include "screens/sub_screens.h"

class HelpScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
};
