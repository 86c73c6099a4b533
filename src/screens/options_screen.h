#pragma once
// "OPTIONS": window or full screen, music and sound on or off, and the player's country. Each
// choice takes effect at once; the settings file is written when the screen is left. On the
// keyboard Up and Down go from line to line and Left and Right switch a line's choice.

#include "screens/letter_chooser.h"
#include "screens/menu_focus.h"
#include "screens/sub_screens.h"

class OptionsScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void Char(char c) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
    bool PadInput(const InputEvent& event) override;

private:
    void ClickAt(int32_t x, int32_t y);
    // The keys lit an item: Back shows its hover, the country field takes typing.
    void ShowLit();

    LetterChooser letters_;
    // The keys' light: each line's two words side by side, the country field, Back.
    MenuFocus focus_;
};
