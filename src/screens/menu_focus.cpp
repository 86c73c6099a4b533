#include "screens/menu_focus.h"

#include <cstdlib>

#include "base/input.h"

FocusKey FocusKeyOf(int32_t key, uint32_t shift) {
    switch (key) {
        case kVkUp:
            return FocusKey::Up;
        case kVkDown:
            return FocusKey::Down;
        case kVkLeft:
            return FocusKey::Left;
        case kVkRight:
            return FocusKey::Right;
        case kVkTab:
            return (shift & kShiftShift) != 0 ? FocusKey::Previous : FocusKey::Next;
        case kVkReturn:
            return (shift & kShiftAlt) != 0 ? FocusKey::None : FocusKey::Choose;
        default:
            return FocusKey::None;
    }
}

void MenuFocus::Within(int32_t group) {
    if (group == group_) return;
    group_ = group;
    lit_ = -1;
}

namespace {

// The item of `row` whose column is nearest `column`, the earlier of two as near; -1 when the
// row has none.
int32_t NearestInRow(const std::vector<FocusSpot>& spots, int32_t row, int32_t column) {
    int32_t best = -1;
    for (size_t i = 0; i < spots.size(); ++i) {
        if (spots[i].row != row) continue;
        if (best < 0 || std::abs(spots[i].column - column) < std::abs(spots[best].column - column))
            best = static_cast<int32_t>(i);
    }
    return best;
}

// The row next to `row` in `step`'s direction that has items, round at the ends.
int32_t NextRow(const std::vector<FocusSpot>& spots, int32_t row, int32_t step) {
    int32_t lowest = spots[0].row;
    int32_t highest = spots[0].row;
    for (const FocusSpot& spot : spots) {
        if (spot.row < lowest) lowest = spot.row;
        if (spot.row > highest) highest = spot.row;
    }
    for (int32_t r = row + step;; r += step) {
        if (r > highest) r = lowest;
        if (r < lowest) r = highest;
        for (const FocusSpot& spot : spots)
            if (spot.row == r) return r;
    }
}

// The item beside `at` in its row, `step` columns along; `at` itself at the row's end.
int32_t Beside(const std::vector<FocusSpot>& spots, int32_t at, int32_t step) {
    const FocusSpot& here = spots[static_cast<size_t>(at)];
    int32_t best = at;
    for (size_t i = 0; i < spots.size(); ++i) {
        const FocusSpot& spot = spots[i];
        if (spot.row != here.row || (spot.column - here.column) * step <= 0) continue;
        if (best == at || std::abs(spot.column - here.column) <
                              std::abs(spots[static_cast<size_t>(best)].column - here.column))
            best = static_cast<int32_t>(i);
    }
    return best;
}

}  // namespace

bool MenuFocus::Move(FocusKey key, const std::vector<FocusSpot>& spots) {
    if (spots.empty()) return false;
    const int32_t count = static_cast<int32_t>(spots.size());
    const int32_t before = lit_;
    if (lit_ >= count) lit_ = -1;
    if (lit_ < 0) {
        const int32_t top = NextRow(spots, spots[0].row - 1, 1);
        switch (key) {
            case FocusKey::Down:
            case FocusKey::Next:
                lit_ = 0;
                break;
            case FocusKey::Up:
            case FocusKey::Previous:
                lit_ = count - 1;
                break;
            case FocusKey::Left:
                lit_ = NearestInRow(spots, top, INT32_MIN / 2);
                break;
            case FocusKey::Right:
                lit_ = NearestInRow(spots, top, INT32_MAX / 2);
                break;
            default:
                break;
        }
        return lit_ != before;
    }
    const FocusSpot here = spots[static_cast<size_t>(lit_)];
    switch (key) {
        case FocusKey::Up:
            lit_ = NearestInRow(spots, NextRow(spots, here.row, -1), here.column);
            break;
        case FocusKey::Down:
            lit_ = NearestInRow(spots, NextRow(spots, here.row, 1), here.column);
            break;
        case FocusKey::Left:
            lit_ = Beside(spots, lit_, -1);
            break;
        case FocusKey::Right:
            lit_ = Beside(spots, lit_, 1);
            break;
        case FocusKey::Next:
            lit_ = (lit_ + 1) % count;
            break;
        case FocusKey::Previous:
            lit_ = (lit_ + count - 1) % count;
            break;
        default:
            break;
    }
    return lit_ != before;
}
