// SDL's events as the game receives them: every key with its code and Ctrl bit, a held Ctrl (or
// the pad's fire button) repeated at the desktop's rate when no repeat of its own comes, and a
// game controller's buttons and left stick.

#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_surface.h"
#include "platform/sdl/sdl_window.h"

namespace {

class EventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
        window = SDL_CreateWindow("events", 0, 0, 800, 600, SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr);
        sdlWindow = std::make_unique<SdlWindow>(window, nullptr);
        source = std::make_unique<SdlEventSource>(*sdlWindow, 500, 33);
    }
    void TearDown() override {
        source.reset();
        sdlWindow.reset();
        SDL_DestroyWindow(window);
        SDL_Quit();
    }

    static SDL_Event Key(Uint32 type, SDL_Keycode sym, Uint16 mod, bool repeat = false) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        e.key.repeat = repeat ? 1 : 0;
        return e;
    }
    void Feed(const SDL_Event& event, uint64_t now) {
        source->Translate(event, now, [&](const InputEvent& e) { got.push_back(e); });
    }
    // The repeats made between `from` and `to`, polled every millisecond as the main loop does.
    int RepeatsBetween(uint64_t from, uint64_t to) {
        const size_t before = got.size();
        for (uint64_t t = from; t <= to; ++t)
            source->Repeat(t, [&](const InputEvent& e) { got.push_back(e); });
        return static_cast<int>(got.size() - before);
    }

    SDL_Window* window = nullptr;
    std::unique_ptr<SdlWindow> sdlWindow;
    std::unique_ptr<SdlEventSource> source;
    std::vector<InputEvent> got;
};

TEST_F(EventsTest, EveryKeyArrivesWithItsCodeAndCtrlBit) {
    struct Case {
        SDL_Keycode sym;
        int32_t code;
    };
    const Case cases[] = {{SDLK_p, 'P'},     {SDLK_RETURN, 13}, {SDLK_SEMICOLON, 186},   {SDLK_COMMA, 188},
                          {SDLK_SLASH, 191}, {SDLK_QUOTE, 222}, {SDLK_LEFTBRACKET, 219}, {SDLK_KP_8, 104},
                          {SDLK_F13, 255},   {SDLK_MENU, 255}};
    for (const Case& c : cases) {
        got.clear();
        Feed(Key(SDL_KEYDOWN, c.sym, KMOD_LCTRL), 0);
        ASSERT_EQ(got.size(), 1u) << SDL_GetKeyName(c.sym);
        EXPECT_EQ(got[0].kind, InputEvent::Kind::KeyDown);
        EXPECT_EQ(got[0].key, c.code) << SDL_GetKeyName(c.sym);
        EXPECT_NE(got[0].shift & kShiftCtrl, 0u) << SDL_GetKeyName(c.sym);
    }
}

TEST_F(EventsTest, AHeldCtrlRepeatsAtTheDesktopsRateUnlessTheDesktopRepeatsIt) {
    Feed(Key(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL), 1000);
    ASSERT_EQ(got.size(), 1u);
    // Nothing before the delay, then one every interval: at 1500, 1533, ... 1995.
    EXPECT_EQ(RepeatsBetween(1000, 1499), 0);
    const size_t first = got.size();
    EXPECT_EQ(RepeatsBetween(1500, 1999), 16);
    EXPECT_EQ(got[first].key, kVkControl);
    EXPECT_TRUE(got[first].repeat);
    EXPECT_NE(got[first].shift & kShiftCtrl, 0u);
    // Released: no more.
    SDL_SetModState(KMOD_NONE);
    Feed(Key(SDL_KEYUP, SDLK_LCTRL, KMOD_NONE), 2000);
    EXPECT_EQ(RepeatsBetween(2000, 3000), 0);

    // A desktop that repeats Ctrl itself: its repeats are the only ones.
    Feed(Key(SDL_KEYDOWN, SDLK_RCTRL, KMOD_RCTRL), 4000);
    Feed(Key(SDL_KEYDOWN, SDLK_RCTRL, KMOD_RCTRL, true), 4400);
    EXPECT_EQ(RepeatsBetween(4000, 5000), 0);
    EXPECT_EQ(source->NextRepeatAt(), UINT64_MAX);
}

TEST_F(EventsTest, LosingFocusOrThePadEndsTheRepeats) {
    Feed(Key(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL), 0);
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    Feed(focus, 100);
    EXPECT_EQ(RepeatsBetween(100, 2000), 0);

    SDL_Event press{};
    press.type = SDL_CONTROLLERBUTTONDOWN;
    press.cbutton.button = SDL_CONTROLLER_BUTTON_A;
    Feed(press, 3000);
    ASSERT_EQ(got.back().kind, InputEvent::Kind::PadButtonDown);
    EXPECT_EQ(got.back().padButton, PadButton::South);
    EXPECT_EQ(RepeatsBetween(3000, 3532), 1);  // at 3500
    EXPECT_EQ(got.back().padButton, PadButton::South);
    SDL_Event release = press;
    release.type = SDL_CONTROLLERBUTTONUP;
    Feed(release, 3600);
    EXPECT_EQ(got.back().kind, InputEvent::Kind::PadButtonUp);
    EXPECT_EQ(RepeatsBetween(3600, 5000), 0);
}

TEST_F(EventsTest, AGameControllersButtonsAndLeftStickArriveAsPadEvents) {
    // The test's hidden window never has the focus, without which SDL keeps a pad's events back.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* joystick = SDL_JoystickOpen(device);
    ASSERT_NE(joystick, nullptr);
    auto pump = [&] {
        got.clear();
        SDL_PumpEvents();
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) Feed(event, 0);
    };
    pump();  // plugged in: the source opens it as a game controller
    struct ButtonCase {
        SDL_GameControllerButton sdl;
        PadButton pad;
    };
    const ButtonCase buttons[] = {{SDL_CONTROLLER_BUTTON_A, PadButton::South},
                                  {SDL_CONTROLLER_BUTTON_B, PadButton::East},
                                  {SDL_CONTROLLER_BUTTON_X, PadButton::West},
                                  {SDL_CONTROLLER_BUTTON_Y, PadButton::North},
                                  {SDL_CONTROLLER_BUTTON_BACK, PadButton::Back},
                                  {SDL_CONTROLLER_BUTTON_START, PadButton::Start},
                                  {SDL_CONTROLLER_BUTTON_DPAD_UP, PadButton::DpadUp},
                                  {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PadButton::DpadDown},
                                  {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PadButton::DpadLeft},
                                  {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PadButton::DpadRight},
                                  {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PadButton::Other}};
    for (const ButtonCase& c : buttons) {
        for (const bool down : {true, false}) {
            SDL_JoystickSetVirtualButton(joystick, c.sdl, down ? 1 : 0);
            pump();
            ASSERT_EQ(got.size(), 1u) << c.sdl;
            EXPECT_EQ(got[0].kind, down ? InputEvent::Kind::PadButtonDown : InputEvent::Kind::PadButtonUp)
                << c.sdl;
            EXPECT_EQ(got[0].padButton, c.pad) << c.sdl;
        }
    }
    struct AxisCase {
        SDL_GameControllerAxis sdl;
        Sint16 value;
        int axis;  // -1: not the game's
    };
    const AxisCase axes[] = {{SDL_CONTROLLER_AXIS_LEFTX, 32767, 0},
                             {SDL_CONTROLLER_AXIS_LEFTX, -32768, 0},
                             {SDL_CONTROLLER_AXIS_LEFTY, 12000, 1},
                             {SDL_CONTROLLER_AXIS_RIGHTX, 32767, -1},
                             {SDL_CONTROLLER_AXIS_RIGHTY, -20000, -1}};
    for (const AxisCase& c : axes) {
        SDL_JoystickSetVirtualAxis(joystick, c.sdl, c.value);
        pump();
        if (c.axis < 0) {
            EXPECT_TRUE(got.empty()) << c.sdl;
            continue;
        }
        ASSERT_EQ(got.size(), 1u) << c.sdl;
        EXPECT_EQ(got[0].kind, InputEvent::Kind::PadAxis);
        EXPECT_EQ(got[0].axis, c.axis);
        EXPECT_EQ(got[0].value, c.value);
    }
    // Unplugged: SDL lets the stick go back to the centre first; the game hears the removal once.
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(device);
    pump();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().kind, InputEvent::Kind::PadRemoved);
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, InputEvent::Kind::PadAxis);
        EXPECT_EQ(got[i].value, 0);
    }
}

}  // namespace
