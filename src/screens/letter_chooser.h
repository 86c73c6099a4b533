#pragma once
// The text fields' letters for a gamepad: a strip under the field shows the letter under
// selection between its neighbours. D-pad left and right move along the strip (A to Z, then 0 to
// 9, round again; held, they run on), d-pad up or the north button types the letter up into the
// field, d-pad down or the west button erases the last one, and Start confirms as Enter does. It shows once
// the pad has been used on the screen, and only while the field takes typing. Every letter goes through the
// screen's own character handler, so the field's limits stay where the keyboard meets them.

#include <cstdint>
#include <functional>

#include "app/screen.h"

class LetterChooser {
public:
    // What the field does with the chooser's keys: the screen's own handlers.
    struct Field {
        std::function<void(char)> type;
        std::function<void()> erase;
    };

    // A screen's field: its own character handler types, and erasing is the Backspace key, which
    // also arrives as its character.
    static Field FieldOf(IScreen& screen);

    // A screen entered: hidden until the pad is used, the selection back at A.
    void Reset();
    // A pad event on the screen (outside play). `editing`: the field takes typing. True when the
    // chooser took the event for itself.
    bool Take(const InputEvent& event, bool editing, const Field& field);
    // One frame of `lagCount` 5 ms steps: a held d-pad left or right runs along the letters.
    void Step(int32_t lagCount);
    // Draws the strip centred on centreX with its top at `top`, in the menus' text.
    void Draw(const ScreenContext& ctx, int32_t centreX, int32_t top) const;

    // The pad has been used on this screen.
    bool Shown() const { return shown_; }
    char Letter() const;
    // The letter `offset` places from the selection, round the list.
    char LetterAt(int32_t offset) const;

private:
    void Move(int32_t direction);

    bool shown_ = false;
    int32_t index_ = 0;  // into A..Z0..9
    int32_t held_ = 0;   // -1 left, +1 right, 0 none
    int32_t heldSteps_ = 0;
};
