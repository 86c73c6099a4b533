// SDL's events as the game receives them: every key with its code and Ctrl bit, and a held
// Ctrl (or the pad's fire button) repeated at the desktop's rate when no repeat of its own comes.

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

}  // namespace
