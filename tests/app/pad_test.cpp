// The gamepad outside play: the stick's pointer (dead zone, speed curve, lag steps, the surface's
// edges, the mouse taking over), what the buttons stand for in play and in the menus, and the
// name entry's letter chooser.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/game_state.h"
#include "app/input_states.h"
#include "app/pad_control.h"
#include "app/pad_pointer.h"
#include "platform/fake/fakes.h"
#include "screens/letter_chooser.h"

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
InputEvent Press(PadButton button) {
    return Pad(InputEvent::Kind::PadButtonDown, button);
}
InputEvent Release(PadButton button) {
    return Pad(InputEvent::Kind::PadButtonUp, button);
}

TEST(PadPointer, SpeedRisesWithTheSquareOfTheDeflectionPastTheDeadZone) {
    struct Case {
        int32_t x;
        int32_t y;
        double vx;
        double vy;
    };
    // 20 % of 32767 is 6553.4; half-way between the dead zone and full travel is 60 %.
    const Case cases[] = {
        {0, 0, 0, 0},
        {6553, 0, 0, 0},
        {-6553, 0, 0, 0},
        {4500, -4500, 0, 0},  // 19.4 % along the diagonal: still resting
        {19660, 0, 1.0, 0},   // half-way past the dead zone: a quarter of the top speed
        {0, -19660, 0, -1.0},
        {32767, 0, 4.0, 0},
        {-32768, 0, -4.0, 0},
        {0, 32767, 0, 4.0},
        {32767, 32767, 4.0 / std::sqrt(2.0), 4.0 / std::sqrt(2.0)},  // a corner is no faster
    };
    for (const Case& c : cases) {
        const PointerVelocity v = StickPointerVelocity(c.x, c.y);
        EXPECT_NEAR(v.x, c.vx, 0.001) << c.x << "," << c.y;
        EXPECT_NEAR(v.y, c.vy, 0.001) << c.x << "," << c.y;
    }
    // Just past the dead zone the pointer creeps.
    const PointerVelocity creep = StickPointerVelocity(7000, 0);
    EXPECT_GT(creep.x, 0);
    EXPECT_LT(creep.x, 0.01);
}

TEST(PadPointer, FullDeflectionCrossesTheSurfaceInASecondAtAnyFrameRate) {
    // 200 steps of 5 ms: at 60 frames a second of three or four steps, or at 20 of ten.
    for (const int32_t lag : {1, 3, 4, 10}) {
        PadPointer pointer;
        PointerPixel at{0, 300};
        int32_t steps = 0;
        while (steps < 200) {
            if (const auto pixel = pointer.Step(32767, 0, lag, at)) at = *pixel;
            steps += lag;
        }
        EXPECT_EQ(at.x, 799) << lag;
        EXPECT_EQ(at.y, 300) << lag;
        // Half the time, half the way (to the frame that passes the 100th step).
        PadPointer half;
        at = {0, 300};
        int32_t taken = 0;
        for (; taken < 100; taken += lag)
            if (const auto pixel = half.Step(32767, 0, lag, at)) at = *pixel;
        EXPECT_EQ(at.x, 4 * taken) << lag;
    }
}

TEST(PadPointer, KeepsFractionsOfAPixelAndStaysOnTheSurface) {
    // A tenth of a pixel a step: a warp every tenth step, the first half-way to the next pixel.
    PadPointer pointer;
    const int32_t slow = 10699;  // 0.1 px a step
    ASSERT_NEAR(StickPointerVelocity(slow, 0).x, 0.1, 0.005);
    PointerPixel at{400, 300};
    int32_t warps = 0;
    for (int i = 1; i <= 30; ++i)
        if (const auto pixel = pointer.Step(slow, 0, 1, at)) {
            at = *pixel;
            ++warps;
            EXPECT_EQ(i % 10, 5) << i;
        }
    EXPECT_EQ(at.x, 403);
    EXPECT_EQ(warps, 3);
    EXPECT_NEAR(pointer.X(), 403.0, 0.2);

    struct Case {
        int32_t x;
        int32_t y;
        PointerPixel corner;
    };
    const Case edges[] = {{-32768, -32768, {0, 0}},
                          {32767, -32768, {799, 0}},
                          {32767, 32767, {799, 599}},
                          {-32768, 32767, {0, 599}}};
    for (const Case& c : edges) {
        PadPointer p;
        PointerPixel pos{400, 300};
        for (int i = 0; i < 400; ++i)
            if (const auto pixel = p.Step(c.x, c.y, 4, pos)) pos = *pixel;
        EXPECT_EQ(pos, c.corner) << c.x << "," << c.y;
    }
}

TEST(PadPointer, TheMouseTakesThePointerWhereItLeavesIt) {
    PadPointer pointer;
    // The warp has not come back yet: the game still sees the old place, and the pointer goes on
    // from where it was sent.
    auto first = pointer.Step(32767, 0, 3, {100, 100});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->x, 112);
    auto second = pointer.Step(32767, 0, 3, {100, 100});
    ASSERT_TRUE(second);
    EXPECT_EQ(second->x, 124);
    // It came back.
    auto third = pointer.Step(32767, 0, 3, {124, 100});
    ASSERT_TRUE(third);
    EXPECT_EQ(third->x, 136);
    // The mouse moved it: the stick goes on from there.
    auto moved = pointer.Step(32767, 0, 3, {500, 50});
    ASSERT_TRUE(moved);
    EXPECT_EQ(*moved, (PointerPixel{512, 50}));
    // Let go, then pushed again: from wherever the pointer is now.
    EXPECT_FALSE(pointer.Step(0, 0, 3, {512, 50}));
    auto again = pointer.Step(0, 32767, 3, {20, 30});
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, (PointerPixel{20, 42}));
}

class GamepadControlTest : public ::testing::Test {
protected:
    std::vector<InputEvent> Send(const InputEvent& event, IScreen* screen = nullptr) {
        pad.Track(event);
        return control.Translate(event, screen);
    }
    GameState state;
    PadState pad;
    FakeWindow window;
    GamepadControl control{state, pad};
};

TEST_F(GamepadControlTest, ButtonsAreTheGamesKeysInPlayAndTheMenusKeysAndClicksOutside) {
    using Kind = InputEvent::Kind;
    struct Case {
        Screen screen;
        bool overlay;
        PadButton button;
        Kind kind;  // KeyDown or ButtonDown; KeyUp: nothing
        int32_t key;
    };
    const Case cases[] = {
        {Screen::Game, false, PadButton::South, Kind::KeyDown, kVkControl},
        {Screen::Game, false, PadButton::Start, Kind::KeyDown, 'P'},
        {Screen::Game, false, PadButton::Back, Kind::KeyDown, kVkEscape},
        {Screen::Game, false, PadButton::North, Kind::KeyUp, 0},
        {Screen::Game, true, PadButton::South, Kind::ButtonDown, 0},
        {Screen::Game, true, PadButton::Start, Kind::KeyDown, kVkReturn},
        {Screen::Game, true, PadButton::Back, Kind::KeyDown, kVkEscape},
        {Screen::MainMenu, false, PadButton::South, Kind::ButtonDown, 0},
        {Screen::MainMenu, false, PadButton::Start, Kind::KeyDown, kVkReturn},
        {Screen::MainMenu, false, PadButton::Back, Kind::KeyDown, kVkEscape},
        {Screen::GameOver, false, PadButton::Start, Kind::KeyDown, kVkReturn},
        {Screen::GameOver, false, PadButton::DpadUp, Kind::KeyDown, kVkUp},
        {Screen::MainMenu, false, PadButton::DpadDown, Kind::KeyDown, kVkDown},
        {Screen::ClanChoice, false, PadButton::DpadLeft, Kind::KeyDown, kVkLeft},
        {Screen::Game, true, PadButton::DpadRight, Kind::KeyDown, kVkRight},
        {Screen::Game, false, PadButton::DpadUp, Kind::KeyUp, 0},
        {Screen::Game, false, PadButton::DpadLeft, Kind::KeyUp, 0},
        {Screen::Splash, false, PadButton::East, Kind::KeyUp, 0},
    };
    for (const Case& c : cases) {
        state.ScreenState = c.screen;
        state.GameMainExit = c.overlay;
        state.MouseX = 321;
        state.MouseY = 123;
        const std::vector<InputEvent> down = Send(Press(c.button));
        const std::vector<InputEvent> up = Send(Release(c.button));
        const std::string what =
            std::to_string(int(c.screen)) + (c.overlay ? " overlay " : " ") + std::to_string(int(c.button));
        if (c.kind == Kind::KeyUp) {
            EXPECT_TRUE(down.empty()) << what;
            EXPECT_TRUE(up.empty()) << what;
            continue;
        }
        ASSERT_EQ(down.size(), 1u) << what;
        EXPECT_EQ(down[0].kind, c.kind) << what;
        if (c.kind == Kind::KeyDown) {
            EXPECT_EQ(down[0].key, c.key) << what;
            EXPECT_EQ((down[0].shift & kShiftCtrl) != 0, c.key == kVkControl) << what;
            EXPECT_TRUE(up.empty()) << what;
        } else {
            // A click at the pointer, released with the button.
            EXPECT_EQ(down[0].button, MouseButton::Left) << what;
            EXPECT_EQ(down[0].x, 321) << what;
            ASSERT_EQ(up.size(), 1u) << what;
            EXPECT_EQ(up[0].kind, Kind::ButtonUp) << what;
        }
    }
}

TEST_F(GamepadControlTest, AClickHappensOnceAHeldFireRepeatsAndOnlyAClickIsReleased) {
    using Kind = InputEvent::Kind;
    state.ScreenState = Screen::MainMenu;
    ASSERT_EQ(Send(Press(PadButton::South)).size(), 1u);
    InputEvent repeat = Press(PadButton::South);
    repeat.repeat = true;
    EXPECT_TRUE(Send(repeat).empty());
    // The click started a game: the release is still the click's.
    state.ScreenState = Screen::Game;
    const std::vector<InputEvent> up = Send(Release(PadButton::South));
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].kind, Kind::ButtonUp);
    // In play a held fire repeats as Ctrl; released into the quit overlay, it clicks nothing.
    ASSERT_EQ(Send(Press(PadButton::South)).size(), 1u);
    const std::vector<InputEvent> fire = Send(repeat);
    ASSERT_EQ(fire.size(), 1u);
    EXPECT_EQ(fire[0].key, kVkControl);
    EXPECT_TRUE(fire[0].repeat);
    state.GameMainExit = true;
    EXPECT_TRUE(Send(Release(PadButton::South)).empty());
    // A pad pulled out while clicking lets go of the button.
    ASSERT_EQ(Send(Press(PadButton::South)).size(), 1u);
    const std::vector<InputEvent> gone = Send(Pad(Kind::PadRemoved));
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].kind, Kind::ButtonUp);
}

TEST_F(GamepadControlTest, TheStickMovesThePointerOnlyOutsidePlay) {
    struct Case {
        Screen screen;
        bool overlay;
        bool moves;
    };
    const Case cases[] = {{Screen::MainMenu, false, true},
                          {Screen::GameOver, false, true},
                          {Screen::Game, true, true},
                          {Screen::Game, false, false}};
    for (const Case& c : cases) {
        window.warps.clear();
        state.ScreenState = c.screen;
        state.GameMainExit = c.overlay;
        state.MouseX = 400;
        state.MouseY = 300;
        Send(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 0, -32768));
        control.Frame(3, window);
        control.Frame(4, window);
        if (c.moves) {
            ASSERT_EQ(window.warps.size(), 2u) << int(c.screen);
            EXPECT_EQ(window.warps.back(), std::make_pair(372, 300)) << int(c.screen);
        } else {
            EXPECT_TRUE(window.warps.empty());
        }
        Send(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 0, 0));
        control.Frame(3, window);
    }
    // Without a pad nothing moves, whatever the stick last said.
    state.ScreenState = Screen::MainMenu;
    window.warps.clear();
    Send(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 0, 32767));
    Send(Pad(InputEvent::Kind::PadRemoved));
    control.Frame(3, window);
    EXPECT_TRUE(window.warps.empty());
}

TEST(LetterChooser, LeftAndRightGoRoundTheLettersAndDigitsAndRunOnWhileHeld) {
    LetterChooser chooser;
    std::string typed;
    int erased = 0;
    const LetterChooser::Field field{[&](char c) { typed += c; }, [&] { ++erased; }};
    EXPECT_TRUE(chooser.Take(Press(PadButton::DpadLeft), true, field));
    chooser.Take(Release(PadButton::DpadLeft), true, field);
    EXPECT_EQ(chooser.Letter(), '9');
    EXPECT_EQ(chooser.LetterAt(1), 'A');
    EXPECT_EQ(chooser.LetterAt(-10), 'Z');
    chooser.Take(Press(PadButton::DpadRight), true, field);
    EXPECT_EQ(chooser.Letter(), 'A');
    // Held: nothing more for 400 ms, then a letter each 100 ms.
    chooser.Step(79);
    EXPECT_EQ(chooser.Letter(), 'A');
    chooser.Step(1);
    EXPECT_EQ(chooser.Letter(), 'B');
    for (int i = 0; i < 20; ++i) chooser.Step(3);  // 60 steps: three more
    EXPECT_EQ(chooser.Letter(), 'E');
    chooser.Take(Release(PadButton::DpadRight), true, field);
    chooser.Step(100);
    EXPECT_EQ(chooser.Letter(), 'E');
    // Up and north type it, down and west erase.
    for (PadButton b : {PadButton::DpadUp, PadButton::North})
        EXPECT_TRUE(chooser.Take(Press(b), true, field));
    for (PadButton b : {PadButton::DpadDown, PadButton::West})
        EXPECT_TRUE(chooser.Take(Press(b), true, field));
    EXPECT_EQ(typed, "EE");
    EXPECT_EQ(erased, 2);
    // Start, south and back are the screen's as ever.
    for (PadButton b : {PadButton::Start, PadButton::South, PadButton::Back, PadButton::East})
        EXPECT_FALSE(chooser.Take(Press(b), true, field));
}

TEST(LetterChooser, ShowsOnceThePadIsUsedAndTakesNothingWhileTheFieldIsNotTyping) {
    LetterChooser chooser;
    std::string typed;
    const LetterChooser::Field field{[&](char c) { typed += c; }, [] {}};
    // A stick resting off centre is not use.
    chooser.Take(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 0, 3000), true, field);
    EXPECT_FALSE(chooser.Shown());
    chooser.Take(Pad(InputEvent::Kind::PadAxis, PadButton::Other, 1, -20000), true, field);
    EXPECT_TRUE(chooser.Shown());
    chooser.Reset();
    EXPECT_FALSE(chooser.Shown());
    // A field not typing: the d-pad goes on to the screen, no letter moves or is typed.
    EXPECT_FALSE(chooser.Take(Press(PadButton::DpadRight), false, field));
    EXPECT_FALSE(chooser.Take(Press(PadButton::DpadUp), false, field));
    EXPECT_TRUE(chooser.Shown());
    EXPECT_EQ(chooser.Letter(), 'A');
    EXPECT_EQ(typed, "");
}

}  // namespace
