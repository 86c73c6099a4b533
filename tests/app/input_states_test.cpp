// The polled 36 states from the keys and the gamepad: the bindings, the stick's dead zone, the
// handbrake on the pad's east button, and everything off in the background or without the pad.

#include "app/input_states.h"

#include <gtest/gtest.h>

#include "platform/fake/fakes.h"

namespace {

InputEvent Pad(InputEvent::Kind kind, PadButton button = PadButton::Other, int32_t axis = 0,
               int32_t value = 0) {
    InputEvent e;
    e.kind = kind;
    e.padButton = button;
    e.axis = axis;
    e.value = value;
    return e;
}

TEST(InputStates, EachStateHasItsKeys) {
    struct Case {
        int32_t key;
        int32_t state;
    };
    const Case cases[] = {{'W', TDXInput::kUp},
                          {kVkUp, TDXInput::kUp},
                          {104, TDXInput::kUp},
                          {'S', TDXInput::kDown},
                          {kVkDown, TDXInput::kDown},
                          {98, TDXInput::kDown},
                          {'A', TDXInput::kLeft},
                          {kVkLeft, TDXInput::kLeft},
                          {100, TDXInput::kLeft},
                          {'D', TDXInput::kRight},
                          {kVkRight, TDXInput::kRight},
                          {102, TDXInput::kRight},
                          {kVkReturn, TDXInput::kButton1},
                          {'X', TDXInput::kButton1 + 1},
                          {kVkSpace, TDXInput::kButton1 + 1},
                          {kVkEscape, TDXInput::kButton1 + 2},
                          {'P', TDXInput::kButton1 + 2}};
    for (const Case& c : cases) {
        FakeKeyboard keyboard;
        PadState pad;
        TDXInput input(keyboard, pad);
        keyboard.down = {c.key};
        input.Update();
        for (int32_t state = 0; state < TDXInput::kStateCount; ++state)
            EXPECT_EQ(input.On(state), state == c.state) << "key " << c.key << " state " << state;
        // In the background every state is off: the car coasts.
        input.SetFocused(false);
        input.Update();
        EXPECT_FALSE(input.On(c.state)) << "key " << c.key;
    }
}

TEST(InputStates, TheStickCountsBeyondHalfItsTravelAndTheDpadAlways) {
    FakeKeyboard keyboard;
    PadState pad;
    TDXInput input(keyboard, pad);
    struct Case {
        int32_t axis;
        int32_t value;
        bool up, down, left, right;
    };
    const Case cases[] = {{1, -16384, false, false, false, false}, {1, -16385, true, false, false, false},
                          {1, 32767, false, true, false, false},   {0, -32768, false, false, true, false},
                          {0, 16385, false, false, false, true},   {0, 16384, false, false, false, false}};
    for (const Case& c : cases) {
        pad = PadState{};
        pad.Track(Pad(InputEvent::Kind::PadAxis, PadButton::Other, c.axis, c.value));
        input.Update();
        EXPECT_EQ(input.Up(), c.up) << c.axis << " " << c.value;
        EXPECT_EQ(input.Down(), c.down) << c.axis << " " << c.value;
        EXPECT_EQ(input.Left(), c.left) << c.axis << " " << c.value;
        EXPECT_EQ(input.Right(), c.right) << c.axis << " " << c.value;
    }
    pad = PadState{};
    pad.Track(Pad(InputEvent::Kind::PadButtonDown, PadButton::DpadLeft));
    pad.Track(Pad(InputEvent::Kind::PadButtonDown, PadButton::East));
    input.Update();
    EXPECT_TRUE(input.Left());
    EXPECT_TRUE(input.Button(2));  // the handbrake
    pad.Track(Pad(InputEvent::Kind::PadButtonUp, PadButton::DpadLeft));
    input.Update();
    EXPECT_FALSE(input.Left());
    EXPECT_TRUE(input.Button(2));
}

TEST(InputStates, AnUnpluggedPadLeavesEveryStateOff) {
    FakeKeyboard keyboard;
    PadState pad;
    TDXInput input(keyboard, pad);
    pad.Track(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 1, -32768));
    pad.Track(Pad(InputEvent::Kind::PadButtonDown, PadButton::East));
    input.Update();
    ASSERT_TRUE(input.Up());
    pad.Track(Pad(InputEvent::Kind::PadRemoved));
    input.Update();
    for (int32_t state = 0; state < TDXInput::kStateCount; ++state) EXPECT_FALSE(input.On(state)) << state;
}

}  // namespace
