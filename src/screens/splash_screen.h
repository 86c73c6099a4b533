#pragma once
// The splash screen: the title picture on its tiled background until Timer1 fires or the player
// presses Escape or Enter or clicks.

#include "app/screen.h"

class SplashScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void PointerDown(MouseButton button) override;
    void Timer1() override;
};
