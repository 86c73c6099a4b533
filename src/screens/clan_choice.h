#pragma once
// "START GAME": the player picks the Bulldogs or the Dragons and the game starts. Each clan's
// picture shows in colour while the pointer is on it, or the keys have lit it, and grey otherwise.

#include "screens/menu_focus.h"
#include "screens/sub_screens.h"

class ClanChoiceScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
    void KeyDown(int32_t key, uint32_t shift) override;

private:
    void ClickAt(int32_t x, int32_t y);
    // The keys' light: the two clans side by side, Back beneath them.
    MenuFocus focus_;
};
