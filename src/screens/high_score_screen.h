#pragma once
// "HIGH SCORE": the local table of the ten best results, its clear button (after a question),
// the online table and Back. The settings file, table included, is written when it is left.

#include "screens/menu_focus.h"
#include "screens/sub_screens.h"

// A yes/no box's answer (confirmations.h).
enum class Answer;

class HighScoreScreen : public SubScreen {
public:
    using SubScreen::SubScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;

private:
    void AnswerClearQuestion();
    void Answered(Answer answer);
    // The pointer's hover and click at a place, which the keys' light uses at its item's centre.
    void HoverAt(int32_t x, int32_t y);
    void ClickAt(int32_t x, int32_t y);
    void LightKey(FocusKey key);

    // Clear, Back and View side by side; Yes and No while the clear question is up.
    MenuFocus focus_;
};
