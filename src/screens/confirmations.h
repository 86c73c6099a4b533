#pragma once
// The yes/no panels: the quit overlay of the main menu and the game, and the high-score table's
// clear question, share the same Yes and No buttons.

#include <cstdint>
#include <vector>

#include "app/screen.h"
#include "screens/menu_focus.h"
#include "screens/menu_system.h"

inline constexpr HotRegion kYesRegion{240, 386, 340, 396};
inline constexpr HotRegion kNoRegion{414, 560, 340, 396};

enum class Answer { None, Yes, No };

// The keys that answer a yes/no box at once, and Yes and No side by side for the menus' light.
inline constexpr int32_t kKeyYes = 'Y';
inline constexpr int32_t kKeyNo = 'N';
inline const std::vector<FocusSpot> kYesNoSpots = {{0, 0}, {0, 1}};

// The answer a key gives: Y or N, or Enter on the lit button (0 Yes, 1 No); None for other keys.
Answer AnswerKey(int32_t key, uint32_t shift, const MenuFocus& focus);

Answer AnswerAt(int32_t x, int32_t y);

// The hover rule for Yes and No; returns true when the pointer is on one of them.
bool HoverYesNo(const ScreenContext& ctx, int32_t x, int32_t y);

// The keys lit Yes or No: its hover and sound, as the pointer gives.
void ShowLitAnswer(const ScreenContext& ctx, const MenuFocus& focus);

// Shows the quit overlay ("really quit?") or takes it away again. Nothing happens while the game
// is paused. Shown, it stops the car, says "paused" in the caption and shows the hand pointer.
void GameMainExitClick(const ScreenContext& ctx);

// Yes or No of the quit overlay was clicked: the click sound, then the overlay goes. What the
// answer does next is the screen's.
void CloseQuitOverlay(const ScreenContext& ctx);

// Shows the clear question over the high-score table, or takes it away again with every other
// panel and highlight.
void GameClearHighScoreClick(const ScreenContext& ctx);
