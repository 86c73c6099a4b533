#pragma once
// The main menu: six items, the publisher logo and the tiled background.

#include "app/screen.h"

class MainMenuScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void CloseRequested() override;
};
