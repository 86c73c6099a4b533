#pragma once
// The keyboard's highlight on a menu screen. A screen lists its items in Tab order, each with its
// row and its column; Up and Down go from row to row, Left and Right along a row (the two clans,
// Yes and No, an option's two words), Tab and Shift+Tab through the list, round at either end.
// Nothing is lit until a key moves the light, and a pointer move takes it away again, so
// whichever the player used last shows its highlight. What lighting an item shows, and what
// Enter on it does, stay the screen's own.

#include <cstdint>
#include <vector>

struct FocusSpot {
    int32_t row;
    int32_t column;
};

// What a key means to a menu's highlight.
enum class FocusKey { None, Up, Down, Left, Right, Next, Previous, Choose };

// Alt+Enter is the full-screen switch and never a choice.
FocusKey FocusKeyOf(int32_t key, uint32_t shift);

class MenuFocus {
public:
    // The lit item, an index into the screen's list, or -1.
    int32_t Lit() const { return lit_; }
    bool Any() const { return lit_ >= 0; }
    // The pointer took over, or the screen was entered.
    void Clear() { lit_ = -1; }
    // Lights an item again after the screen was rebuilt under it (a page turned).
    void Set(int32_t item) { lit_ = item; }
    // The screen shows another set of items (a yes/no box opened or closed): nothing lit.
    void Within(int32_t group);
    // Moves the light for a movement key; true when the lit item changed. With nothing lit, Down
    // and Tab light the first item, Up and Shift+Tab the last, Left the first of the top row and
    // Right its last.
    bool Move(FocusKey key, const std::vector<FocusSpot>& spots);

private:
    int32_t lit_ = -1;
    int32_t group_ = 0;
};
