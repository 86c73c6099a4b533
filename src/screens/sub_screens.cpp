#include "screens/sub_screens.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "platform/window.h"
#include "screens/main_menu.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

void SubScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
}

void SubScreen::BuildFrame(const Layout& layout, const std::function<void(TSpriteEngine&)>& ownSprites) {
    GameState& s = ctx.state;
    // Only when the pointer is over the right-hand items, as after clicking one; a page turn or a
    // rebuild leaves it where it is, inside the panel.
    if (s.MouseX > 512) ctx.window.WarpPointer(layout.warpX, layout.warpY);
    if (layout.menuMusicAfterGame) {
        if (s.BackFromGame) ctx.audio.PlayMusic(MusicTrack::Menu);
        s.BackFromGame = false;
    }
    TSpriteEngine& root = ctx.sprites.Engine();
    CreateImageSprite<TImageSprite>(root, ctx.images, "menuPodmenu", 17, 117, 0);
    ownSprites(root);
    CreateMenuItems(ctx);
    CreateTiledBackground(root, ctx.images, "menu");
}

void SubScreen::DrawFrame() {
    ClearMenuTexts(ctx);
    SubScreenFrame(ctx.sprites, ctx.surface);
}

bool SubScreen::LeftPanel(int32_t x, int32_t y, bool handOn) {
    if (kPanelRegion.Contains(x, y)) return false;
    ctx.host.SetScreenState(Screen::MainMenu);
    if (handOn) MainMenuPointerMove(ctx, x, y);
    return true;
}
