#include "screens/splash_screen.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "app/timers.h"
#include "screens/menu_sprites.h"

void SplashScreen::Enter() {
    // The main menu restarts the menu music only when coming back from a game.
    ctx.state.BackFromGame = false;
    ctx.audio.PlayMusic(MusicTrack::Menu);
    TSpriteEngine& root = ctx.sprites.Engine();
    CreateTiledBackground(root, ctx.images, "mySplash_fon");
    CreateImageSprite<TImageSprite>(root, ctx.images, "mySplash", 252, 270, 100);
    ctx.timers.Timer1.SetInterval(4000, ctx.host.Now());
    ctx.timers.Timer1.SetEnabled(true, ctx.host.Now());
}

void SplashScreen::Frame(int32_t) {
    MenuFrame(ctx.sprites);
}

void SplashScreen::Leave() {
    // Left by a key or a click, the splash's timer must not fire later on another screen.
    ctx.timers.Timer1.SetEnabled(false, ctx.host.Now());
    ctx.sprites.Engine().FreeChildren();
}

void SplashScreen::KeyDown(int32_t key, uint32_t shift) {
    if (key == kVkEscape || (key == kVkReturn && (shift & kShiftAlt) == 0))
        ctx.host.SetScreenState(Screen::MainMenu);
}

void SplashScreen::PointerDown(MouseButton button) {
    if (button == MouseButton::Left) ctx.host.SetScreenState(Screen::MainMenu);
}

void SplashScreen::Timer1() {
    ctx.host.SetScreenState(Screen::MainMenu);
}
