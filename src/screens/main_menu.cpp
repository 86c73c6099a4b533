#include "screens/main_menu.h"

#include <vector>

#include "app/audio.h"
#include "app/game_state.h"
#include "screens/confirmations.h"
#include "screens/menu_links.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

namespace {

enum Item { kStartGame, kOptions, kHighScore, kHelp, kVisitWebSite, kExit, kItemCount };

struct MenuItem {
    const char* normal;
    const char* highlight;
    HotRegion region;
};

// Tested in this order after the logo. The High Score region is 45 pixels high, the others 55.
constexpr MenuItem kItems[kItemCount] = {
    {"Start Game_n", "Start Game_d", {514, 770, 118, 172}},
    {"Options_n", "Options_d", {514, 770, 188, 242}},
    {"High Score_n", "High Score_d", {514, 770, 258, 302}},
    {"Help_n", "Help_d", {514, 770, 328, 382}},
    {"Visit Web Site_n", "Visit Web Site_d", {514, 770, 398, 452}},
    {"Exit_n", "Exit_d", {514, 770, 468, 522}},
};

int32_t ItemAt(int32_t x, int32_t y) {
    for (int32_t i = 0; i < kItemCount; ++i)
        if (kItems[i].region.Contains(x, y)) return i;
    return -1;
}

void HoverMenuItem(const ScreenContext& ctx, int32_t item) {
    const MenuItem& m = kItems[item];
    const double x = m.region.left;
    const double y = m.region.top;
    switch (item) {
        case kStartGame:
            return HoverItem<Start_Game>(ctx, m.highlight, x, y, 1);
        case kOptions:
            return HoverItem<Options>(ctx, m.highlight, x, y, 1);
        case kHighScore:
            return HoverItem<High_Score>(ctx, m.highlight, x, y, 1);
        case kHelp:
            return HoverItem<Help>(ctx, m.highlight, x, y, 1);
        case kVisitWebSite:
            return HoverItem<Visit_Web_Site>(ctx, m.highlight, x, y, 1);
        default:
            return HoverItem<Exit_>(ctx, m.highlight, x, y, 1);
    }
}

// The items one under the other, in the order Tab takes them.
const std::vector<FocusSpot> kItemSpots = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};

}  // namespace

void CreateMenuItems(const ScreenContext& ctx) {
    TSpriteEngine& root = ctx.sprites.Engine();
    for (const MenuItem& item : kItems)
        CreateImageSprite<TImageSprite>(root, ctx.images, item.normal, item.region.left, item.region.top, 0);
    CreateImageSprite<TImageSprite>(root, ctx.images, "fgg_inactiv", 532, 526, 0);
}

void MainMenuPointerMove(const ScreenContext& ctx, int32_t x, int32_t y) {
    BeginMenuPointerMove(ctx);
    if (kLogoRegion.Contains(x, y)) {
        HoverItem<fggActive>(ctx, "fgg_active", 531, 526, 802);
        return;
    }
    // With the quit overlay shown only its buttons and the logo answer.
    if (ctx.state.GameMainExit) {
        if (!HoverYesNo(ctx, x, y)) ArmHover(ctx);
        return;
    }
    const int32_t item = ItemAt(x, y);
    if (item < 0) {
        ArmHover(ctx);
        return;
    }
    HoverMenuItem(ctx, item);
}

void MainMenuScreen::Enter() {
    ctx.window.SetPointer(PointerShape::Arrow);
    if (ctx.state.BackFromGame) ctx.audio.PlayMusic(MusicTrack::Menu);
    ctx.state.BackFromGame = false;
    ctx.state.HelpPage = 1;
    focus_.Clear();
    CreateMenuItems(ctx);
    // Created last on layer 0, so it lies beneath every item.
    CreateTiledBackground(ctx.sprites.Engine(), ctx.images, "menu");
}

void MainMenuScreen::Frame(int32_t) {
    ClearMenuTexts(ctx);
    MenuFrame(ctx.sprites);
}

void MainMenuScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
}

void MainMenuScreen::KeyDown(int32_t key, uint32_t shift) {
    const bool overlay = ctx.state.GameMainExit;
    focus_.Within(overlay ? 1 : 0);
    const FocusKey move = FocusKeyOf(key, shift);
    if (key == kVkEscape) {
        GameMainExitClick(ctx);
    } else if (overlay) {
        const Answer answer = AnswerKey(key, shift, focus_);
        if (answer != Answer::None)
            Answered(answer);
        else if (move != FocusKey::Choose)
            LightKey(move);
    } else if (move == FocusKey::Choose) {
        // With nothing lit Enter starts a game, as it always has.
        if (focus_.Any())
            ItemClicked(focus_.Lit());
        else
            ctx.host.SetScreenState(Screen::ClanChoice);
    } else {
        LightKey(move);
    }
}

void MainMenuScreen::LightKey(FocusKey key) {
    if (ctx.state.GameMainExit) {
        if (focus_.Move(key, kYesNoSpots)) ShowLitAnswer(ctx, focus_);
        return;
    }
    if (!focus_.Move(key, kItemSpots)) return;
    BeginKeyHover(ctx);
    HoverMenuItem(ctx, focus_.Lit());
}

void MainMenuScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    MainMenuPointerMove(ctx, x, y);
}

void MainMenuScreen::PointerDown(MouseButton button) {
    const int32_t x = ctx.state.MouseX;
    const int32_t y = ctx.state.MouseY;
    // The logo answers any button, the overlay shown or not.
    if (kLogoRegion.Contains(x, y)) {
        OpenWebsiteLink(ctx);
        ClickSound(ctx);
        return;
    }
    if (button != MouseButton::Left) return;
    if (ctx.state.GameMainExit) {
        AnswerQuitOverlay();
        return;
    }
    const int32_t item = ItemAt(x, y);
    if (item >= 0) ItemClicked(item);
}

void MainMenuScreen::ItemClicked(int32_t item) {
    switch (item) {
        case kStartGame:
            ctx.host.SetScreenState(Screen::ClanChoice);
            break;
        case kOptions:
            ctx.host.SetScreenState(Screen::Options);
            break;
        case kHighScore:
            ctx.host.SetScreenState(Screen::HighScores);
            break;
        case kHelp:
            ctx.host.SetScreenState(Screen::Help);
            break;
        case kVisitWebSite:
            OpenMoreGamesLink(ctx);
            break;
        default:
            GameMainExitClick(ctx);
            break;
    }
    ClickSound(ctx);
}

void MainMenuScreen::AnswerQuitOverlay() {
    Answered(AnswerAt(ctx.state.MouseX, ctx.state.MouseY));
}

void MainMenuScreen::Answered(Answer answer) {
    if (answer == Answer::None) return;
    CloseQuitOverlay(ctx);
    // Quitting always passes the promotion page, which ends the program when it has nothing to show.
    ctx.host.SetScreenState(answer == Answer::Yes ? Screen::Promotion : Screen::MainMenu);
}

void MainMenuScreen::CloseRequested() {
    if (ctx.state.GameMainExit) return;
    GameMainExitClick(ctx);
    ctx.audio.PlaySound("button_down");
}
