#pragma once
// The game-over screen and its name entry. The picture shows for five seconds; then a score good
// enough for the table opens the name panel (typing, the send box, Enter puts the row in the
// table and shows it), and any other score waits for Escape, Enter or a click to go back to the
// main menu.

#include "app/screen.h"
#include "screens/letter_chooser.h"
#include "screens/menu_focus.h"

class GameOverScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void Char(char c) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
    bool PadInput(const InputEvent& event) override;
    void Timer1() override;
    std::optional<MusicTrack> OwnMusic() const override { return MusicTrack::GameOver; }

    // The check marks' click handlers: the name panel, and the tick of the send box.
    void GameEnterNameClick();
    void GameSendResultClick();

private:
    bool Qualifies() const;
    // A short pause, then the main menu.
    void BackToMenu();
    void ConfirmName();

    // The keys' light on the name panel: the name field, the send box beneath it.
    void LightKey(FocusKey key);

    bool waited_ = false;   // the five seconds are over
    bool leaving_ = false;  // on the way back to the main menu
    LetterChooser letters_;
    MenuFocus focus_;
};
