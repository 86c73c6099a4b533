#include "screens/clan_choice.h"

#include <vector>

#include "app/game_state.h"
#include "engine/image_list.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

namespace {

struct ClanPicture {
    int32_t clan;
    const char* name;
    const char* inactive;
    const char* title;
    HotRegion region;
    int32_t titleX;
};

constexpr ClanPicture kClans[] = {
    {1, "BuldogsPic", "BuldogsPic_na", "Bulldogs", {45, 245, 200, 400}, 90},
    {2, "DragonsPic", "DragonsPic_na", "Dragons", {265, 465, 200, 400}, 315},
};

constexpr HotRegion kBackHover{187, 323, 523, 554};
constexpr HotRegion kBackClick{187, 324, 523, 554};

// The keys' items: the Bulldogs, the Dragons, Back.
constexpr int32_t kBackItem = 2;
const std::vector<FocusSpot> kSpots = {{0, 0}, {0, 1}, {1, 0}};

// Where the lit item is, for the frame's pictures and for Enter's click.
HotRegion LitRegion(int32_t item) {
    return item == kBackItem ? kBackHover : kClans[item].region;
}

}  // namespace

void ClanChoiceScreen::Enter() {
    focus_.Clear();
    BuildFrame({145, 300, true}, [&](TSpriteEngine& root) {
        for (const ClanPicture& clan : kClans)
            CreateImageSprite<TImageSprite>(root, ctx.images, clan.name, clan.region.left, clan.region.top,
                                            2);
        CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_Back_n", 187, 523, 2);
    });
}

void ClanChoiceScreen::Frame(int32_t) {
    DrawFrame();
    MenuText(ctx, "START GAME", 170, 120, 20);
    for (const ClanPicture& clan : kClans) MenuText(ctx, clan.title, clan.titleX, 400, 20);
    // Drawn over the sprites every frame, by where the pointer is, or by the keys' light when
    // they were used last.
    int32_t x = ctx.state.MouseX;
    int32_t y = ctx.state.MouseY;
    if (focus_.Any()) {
        x = CentreX(LitRegion(focus_.Lit()));
        y = CentreY(LitRegion(focus_.Lit()));
    }
    auto draw = [&](const char* image, int32_t left, int32_t top) {
        ctx.images.FindImage(image).DrawPattern(ctx.surface, left, top, 0);
    };
    draw(kBackHover.Contains(x, y) ? "HighScore_Back_d" : "HighScore_Back_n", 187, 523);
    for (const ClanPicture& clan : kClans)
        draw(clan.region.Contains(x, y) ? clan.name : clan.inactive, clan.region.left, clan.region.top);
}

void ClanChoiceScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    BeginMenuPointerMove(ctx);
    // The main menu's highlight follows with the next move.
    if (LeftPanel(x, y, false)) return;
    if (kBackHover.Contains(x, y)) {
        HoverItem<HelpGame_Back>(ctx, "Help_Back_p", 187, 523, 2);
        return;
    }
    ArmHover(ctx);
    // The pictures have no highlight and no sound, but they are what this screen is for.
    for (const ClanPicture& clan : kClans)
        if (clan.region.Contains(x, y)) ctx.window.SetPointer(PointerShape::Hand);
}

void ClanChoiceScreen::PointerDown(MouseButton button) {
    if (button == MouseButton::Left) ClickAt(ctx.state.MouseX, ctx.state.MouseY);
}

void ClanChoiceScreen::KeyDown(int32_t key, uint32_t shift) {
    // Escape does nothing here, as it never has: Back is lit from the keys instead.
    const FocusKey move = FocusKeyOf(key, shift);
    if (move == FocusKey::Choose) {
        if (focus_.Any()) ClickAt(CentreX(LitRegion(focus_.Lit())), CentreY(LitRegion(focus_.Lit())));
        return;
    }
    if (!focus_.Move(move, kSpots)) return;
    BeginKeyHover(ctx);
    // The pictures light in the frame, without a sound, as under the pointer; Back has both.
    if (focus_.Lit() == kBackItem) HoverItem<HelpGame_Back>(ctx, "Help_Back_p", 187, 523, 2);
}

void ClanChoiceScreen::ClickAt(int32_t x, int32_t y) {
    if (kBackClick.Contains(x, y)) {
        ctx.host.SetScreenState(Screen::MainMenu);
        ClickSound(ctx);
        return;
    }
    for (const ClanPicture& clan : kClans) {
        if (!clan.region.Contains(x, y)) continue;
        ctx.state.Clan = clan.clan;
        ctx.host.SetScreenState(Screen::Game);
        ClickSound(ctx);
        return;
    }
}
