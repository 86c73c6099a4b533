#include "screens/main_menu.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "platform/window.h"
#include "screens/menu_sprites.h"

namespace {
struct MenuItemPlace {
    const char* image;
    int y;
};
constexpr MenuItemPlace kItems[] = {{"Start Game_n", 118}, {"Options_n", 188},        {"High Score_n", 258},
                                    {"Help_n", 328},       {"Visit Web Site_n", 398}, {"Exit_n", 468}};
}  // namespace

void MainMenuScreen::Enter() {
    ctx.window.SetPointer(PointerShape::Arrow);
    if (ctx.state.BackFromGame) ctx.audio.PlayMusic(MusicTrack::Menu);
    ctx.state.BackFromGame = false;
    TSpriteEngine& root = ctx.sprites.Engine();
    for (const MenuItemPlace& item : kItems)
        CreateImageSprite<TImageSprite>(root, ctx.images, item.image, 514, item.y, 0);
    CreateImageSprite<TImageSprite>(root, ctx.images, "fgg_inactiv", 532, 526, 0);
    // Created last on layer 0, so it lies beneath every item.
    CreateTiledBackground(root, ctx.images, "menu");
}

void MainMenuScreen::Frame(int32_t) {
    MenuFrame(ctx.sprites);
}

void MainMenuScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
}

void MainMenuScreen::CloseRequested() {
    if (ctx.state.GameMainExit) return;
    ctx.host.GameMainExitClick();
    ctx.audio.PlaySound("button_down");
}
