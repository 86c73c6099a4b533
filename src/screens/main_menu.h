#pragma once
// The main menu: six items, the publisher logo and the tiled background; the quit overlay over
// it. The items and the logo stay on the right of every sub-screen, and a pointer that reaches
// them there is back on the main menu, so their hover rule is shared.

#include <cstdint>

#include "app/screen.h"
#include "screens/menu_focus.h"

// A yes/no box's answer (confirmations.h).
enum class Answer;

class MainMenuScreen : public IScreen {
public:
    using IScreen::IScreen;
    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
    void CloseRequested() override;

private:
    void ItemClicked(int32_t item);
    void AnswerQuitOverlay();
    void Answered(Answer answer);
    // The keys' light over the items, or over Yes and No while the quit overlay is up.
    void LightKey(FocusKey key);

    MenuFocus focus_;
};

// The six item pictures and the inactive logo, all on layer 0, as the main menu and every
// sub-screen show them.
void CreateMenuItems(const ScreenContext& ctx);

// A pointer move on the main menu: highlights, pointer shape and the hover sound of the items,
// the logo, and the quit overlay's Yes and No while it is shown.
void MainMenuPointerMove(const ScreenContext& ctx, int32_t x, int32_t y);
