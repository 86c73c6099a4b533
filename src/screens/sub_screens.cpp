#include "screens/sub_screens.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "app/timers.h"
#include "screens/menu_sprites.h"

void BlankSubScreen::Frame(int32_t) {
    SubScreenFrame(ctx.sprites, ctx.surface);
}

void BlankSubScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
    switch (which_) {
        case Screen::Options:
            ctx.state.GamegoEdit = false;
            ctx.host.SaveConfig();
            break;
        case Screen::HighScores:
            ctx.host.SaveConfig();
            break;
        case Screen::GameOver:
            ctx.state.GameOverPending = false;
            ctx.state.GameEnterName = ctx.state.GamegoEdit = ctx.state.GameSendResult = false;
            ctx.host.SaveConfig();
            break;
        default:
            break;
    }
}

std::optional<MusicTrack> BlankSubScreen::OwnMusic() const {
    return which_ == Screen::GameOver ? MusicTrack::GameOver : MusicTrack::Menu;
}

void GameOverScreen::Enter() {
    ctx.audio.PlayMusic(MusicTrack::GameOver);
    ctx.timers.Timer1.SetInterval(5000, ctx.host.Now());
    ctx.timers.Timer1.SetEnabled(true, ctx.host.Now());
}

void GameOverScreen::Timer1() {
    ctx.host.SetScreenState(Screen::MainMenu);
}
