// The menus' keyboard light: where each key takes it from each item, on the layouts the screens
// use (a column of items, two side by side over one, an options panel of pairs and singles).

#include "screens/menu_focus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/input.h"

namespace {

const std::vector<FocusSpot> kColumn = {{0, 0}, {1, 0}, {2, 0}};
const std::vector<FocusSpot> kTwoOverOne = {{0, 0}, {0, 1}, {1, 0}};
const std::vector<FocusSpot> kPairsThenSingles = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {3, 0}};

TEST(MenuFocus, EachKeyTakesTheLightWhereTheLayoutSays) {
    struct Case {
        const char* what;
        const std::vector<FocusSpot>* spots;
        int32_t from;  // -1: nothing lit
        FocusKey key;
        int32_t to;
    };
    const Case cases[] = {
        // Nothing lit yet: the first key lights an end of the list or of the top row.
        {"down from none", &kColumn, -1, FocusKey::Down, 0},
        {"tab from none", &kColumn, -1, FocusKey::Next, 0},
        {"up from none", &kColumn, -1, FocusKey::Up, 2},
        {"shift+tab from none", &kColumn, -1, FocusKey::Previous, 2},
        {"left from none: the left clan", &kTwoOverOne, -1, FocusKey::Left, 0},
        {"right from none: the right clan", &kTwoOverOne, -1, FocusKey::Right, 1},
        {"enter lights nothing", &kColumn, -1, FocusKey::Choose, -1},
        // A column: up and down round the ends; left and right stay.
        {"down", &kColumn, 0, FocusKey::Down, 1},
        {"down round the end", &kColumn, 2, FocusKey::Down, 0},
        {"up round the top", &kColumn, 0, FocusKey::Up, 2},
        {"left in a column", &kColumn, 1, FocusKey::Left, 1},
        {"right in a column", &kColumn, 1, FocusKey::Right, 1},
        // Side by side over one: along the row without going round, down to the one beneath.
        {"right to the other clan", &kTwoOverOne, 0, FocusKey::Right, 1},
        {"right at the row's end", &kTwoOverOne, 1, FocusKey::Right, 1},
        {"left back", &kTwoOverOne, 1, FocusKey::Left, 0},
        {"down from the right one", &kTwoOverOne, 1, FocusKey::Down, 2},
        {"up to the nearest column", &kTwoOverOne, 2, FocusKey::Up, 0},
        {"tab goes along the list", &kTwoOverOne, 1, FocusKey::Next, 2},
        {"tab round the end", &kTwoOverOne, 2, FocusKey::Next, 0},
        {"shift+tab round the start", &kTwoOverOne, 0, FocusKey::Previous, 2},
        // Pairs keep their column from line to line.
        {"down keeps the right word", &kPairsThenSingles, 1, FocusKey::Down, 3},
        {"up keeps the right word", &kPairsThenSingles, 3, FocusKey::Up, 1},
        {"down to a single", &kPairsThenSingles, 3, FocusKey::Down, 4},
        {"up from the top round to the last", &kPairsThenSingles, 0, FocusKey::Up, 5},
    };
    for (const Case& c : cases) {
        MenuFocus focus;
        if (c.from >= 0) focus.Set(c.from);
        const bool moved = focus.Move(c.key, *c.spots);
        EXPECT_EQ(focus.Lit(), c.to) << c.what;
        EXPECT_EQ(moved, c.to != c.from) << c.what;
    }
}

TEST(MenuFocus, AnotherSetOfItemsStartsUnlitAndTheSameSetKeepsItsLight) {
    MenuFocus focus;
    focus.Move(FocusKey::Down, kColumn);
    focus.Within(0);
    EXPECT_EQ(focus.Lit(), 0);
    focus.Within(1);  // a yes/no box opened
    EXPECT_FALSE(focus.Any());
    focus.Move(FocusKey::Right, kTwoOverOne);
    focus.Within(1);
    EXPECT_EQ(focus.Lit(), 1);
    focus.Clear();  // the pointer moved
    EXPECT_FALSE(focus.Any());
}

TEST(MenuFocus, KeysMeanWhatTheHelpPageSaysAndAltEnterIsNeverAChoice) {
    struct Case {
        int32_t key;
        uint32_t shift;
        FocusKey means;
    };
    const Case cases[] = {
        {kVkUp, kShiftNone, FocusKey::Up},          {kVkDown, kShiftNone, FocusKey::Down},
        {kVkLeft, kShiftNone, FocusKey::Left},      {kVkRight, kShiftNone, FocusKey::Right},
        {kVkTab, kShiftNone, FocusKey::Next},       {kVkTab, kShiftShift, FocusKey::Previous},
        {kVkReturn, kShiftNone, FocusKey::Choose},  {kVkReturn, kShiftAlt, FocusKey::None},
        {kVkReturn, kShiftShift, FocusKey::Choose}, {kVkEscape, kShiftNone, FocusKey::None},
        {'Y', kShiftNone, FocusKey::None},          {kVkSpace, kShiftNone, FocusKey::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FocusKeyOf(c.key, c.shift), c.means) << c.key << " shift " << c.shift;
}

}  // namespace
