#pragma once
// "START GAME": the player picks the Bulldogs or the Dragons and the game starts. Each clan's
// picture shows in colour while the pointer is on it and grey otherwise.

#include "screens/sub_screens.h"

class ClanChoiceScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
};
