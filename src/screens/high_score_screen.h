#pragma once
// "HIGH SCORE": the local table of the ten best results, its clear button (after a question),
// the online table and Back. The settings file, table included, is written when it is left.

#include "screens/sub_screens.h"

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
};
