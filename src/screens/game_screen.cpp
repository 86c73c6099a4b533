#include "screens/game_screen.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "engine/sprite.h"

namespace {
const char* const kMainPack = "Data/GraphicsMain.dxg";
const char* const kMenuPack = "Data/GraphicsMenu.dxg";
}  // namespace

void GameScreen::Enter() {
    // Entering the game swaps in the road's pictures.
    ctx.host.LoadGraphicsPack(kMainPack);
    ctx.audio.PlayMusic(MusicTrack::Game);
}

void GameScreen::Frame(int32_t lagCount) {
    ctx.sprites.MoveWorld(lagCount);
    ctx.sprites.Render();
    ctx.sprites.RemoveDead();
}

void GameScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
    ctx.state.BackFromGame = true;
    ctx.audio.StopSound("all");
    ctx.host.LoadGraphicsPack(kMenuPack);
}

void GameScreen::CloseRequested() {
    ctx.audio.PlaySound("button_down");
    if (!ctx.state.GameMainExit) ctx.host.GameMainExitClick();
}
