#include "screens/sub_screens.h"

#include "app/game_state.h"
#include "screens/menu_sprites.h"

void BlankSubScreen::Frame(int32_t) { SubScreenFrame(ctx.sprites, ctx.surface); }

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
