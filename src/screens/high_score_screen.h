#pragma once
// "HIGH SCORE": the local table of the ten best results, its clear button (after a question),
// the online table and Back. A row whose game is kept as a replay has a mark beside it that
// watches the game. The settings file, table included, is written when it is left.

#include <array>
#include <vector>

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
    // The row whose replay mark is at (x, y), or -1.
    int32_t MarkAt(int32_t x, int32_t y) const;
    // The keys' items: Clear, Back and View side by side, then the marks, each on its own row
    // above them.
    std::vector<FocusSpot> Spots() const;
    // The centre of a lit item, where the keys hover and choose.
    std::pair<int32_t, int32_t> LitCentre() const;

    // Clear, Back and View, then the marks; Yes and No while the clear question is up.
    MenuFocus focus_;
    std::array<bool, 10> marked_{};  // the rows with a kept replay
    std::vector<int32_t> markRows_;  // the same, as row numbers top to bottom
};
