#include "screens/help_screen.h"

#include <vector>

#include "app/game_state.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

namespace {

struct PageLine {
    int32_t x;
    int32_t y;
    int32_t size;
    const char* text;
};

constexpr PageLine kOverview[] = {
    {80, 162, 16, "GAME OVERVIEW AND OBJECTIVES"},
    {40, 190, 11, "Two clans have been long time struggling for the territory."},
    {40, 210, 11, "The first - bulldogs clan - these guys never give up, and they"},
    {40, 230, 11, "and the two colors - blue and grey. The second - dragons clan."},
    {40, 250, 11, "They just burn everything on the way and nothing may stop them."},
    {40, 270, 11, "Their colors are: yellow and red."},
    {40, 290, 11, "The last town is left - the first to occupy it wins"},
    {40, 310, 11, "the decade long war. The whole armory is at your disposal:"},
    {40, 330, 11, "pistols, automatic guns, bazookas and rockets, speedy cars"},
    {40, 350, 11, "and a hip of different bonuses to help you in this war."},
    {40, 370, 11, "posts crooked and a lot of crashed abandoned cars."},
    {40, 390, 11, "Just don't forget to collect the arms that your assistants"},
    {40, 410, 11, "will deliver to you by jeeps."},
    {40, 430, 11, "One town."},
    {40, 450, 11, "Two clans and only one is going to survive. "},
    {40, 470, 11, "Well? Shall we go for a hell of a ride?"},
};

constexpr PageLine kControls[] = {
    {197, 162, 16, "CONTROLS"},
    {40, 190, 16, "MENU NAVIGATIONS"},
    {40, 220, 10, "Use the cursor keys or mouse to move the menu cursor up and down"},
    {40, 240, 10, "Press the \"Enter\" key or any mouse button to enter menu options."},
    {40, 260, 10, "Press the \"Left Arrow\", \"Right Arrow\" keys or any mouse button"},
    {40, 280, 10, "to change a menu option."},
    {40, 300, 10, "Press \"Escape\" to back from the submenu to Main Menu."},
    {40, 350, 16, "GAME NAVIGATIONS"},
    {40, 380, 10, "Use the keys \"Up Arrow\",\"Left Arrow\" and \"Right Arrow\""},
    {40, 400, 10, "to move your car."},
    {40, 420, 10, "Use the key \"Space\" to brake."},
    {40, 440, 10, "Use the key \"Control\" to fire with guns. [bonus]"},
    {40, 460, 10, "Use the keys \"P\" to pause or resume the game."},
    {40, 480, 10, "Use \"Escape\" key to quit the game to Main Menu."},
    {40, 500, 10, "Use \"Alt\"+\"Enter\" keys to change window/full screen modes."},
};

constexpr PageLine kAbout[] = {
    {224, 162, 16, "ABOUT"},
    {231, 290, 12, "Vandrax"},
    {231, 310, 10, "Copyright (c) 2026 Full Gas Games"},
    {231, 360, 10, "www.fullgasgames.example"},
};

template <size_t N>
void DrawPage(const ScreenContext& ctx, const PageLine (&page)[N]) {
    for (const PageLine& line : page) MenuText(ctx, line.text, line.x, line.y, line.size);
}

constexpr HotRegion kPreviousHover{38, 174, 523, 554};
constexpr HotRegion kBackHover{187, 323, 523, 554};
constexpr HotRegion kNextHover{336, 472, 523, 554};
constexpr HotRegion kPreviousClick = kPreviousHover;
constexpr HotRegion kBackClick = kBackHover;
constexpr HotRegion kNextClick{336, 470, 523, 554};

constexpr HotRegion kButtons[] = {kPreviousHover, kBackHover, kNextHover};
const std::vector<FocusSpot> kSpots = {{0, 0}, {0, 1}, {0, 2}};

}  // namespace

void HelpScreen::Enter() {
    focus_.Clear();
    BuildFrame({255, 320, false}, [&](TSpriteEngine& root) {
        CreateImageSprite<TImageSprite>(root, ctx.images, "Help_prev", 38, 523, 1);
        CreateImageSprite<TImageSprite>(root, ctx.images, "Help_back_n", 186, 523, 1);
        CreateImageSprite<TImageSprite>(root, ctx.images, "Help_next", 336, 523, 1);
        if (ctx.state.HelpPage == 3) CreateImageSprite<TImageSprite>(root, ctx.images, "log", 100, 300, 15);
    });
}

void HelpScreen::Frame(int32_t) {
    DrawFrame();
    switch (ctx.state.HelpPage) {
        case 1:
            DrawPage(ctx, kOverview);
            break;
        case 2:
            DrawPage(ctx, kControls);
            break;
        default:
            DrawPage(ctx, kAbout);
            break;
    }
    MenuText(ctx, "HELP", 218, 120, 20);
}

void HelpScreen::KeyDown(int32_t key, uint32_t shift) {
    if (key == kVkEscape) {
        ctx.host.SetScreenState(Screen::MainMenu);
        return;
    }
    const FocusKey move = FocusKeyOf(key, shift);
    if (move == FocusKey::Choose) {
        if (!focus_.Any()) return;
        const int32_t lit = focus_.Lit();
        const HotRegion& button = kButtons[lit];
        ClickAt(CentreX(button), CentreY(button));
        // A page turned rebuilds the screen: the same button stays lit for the next turn.
        if (ctx.state.ScreenState != Screen::Help) return;
        focus_.Set(lit);
        HoverAt(CentreX(button), CentreY(button));
        return;
    }
    if (!focus_.Move(move, kSpots)) return;
    BeginKeyHover(ctx);
    HoverAt(CentreX(kButtons[focus_.Lit()]), CentreY(kButtons[focus_.Lit()]));
}

void HelpScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    HoverAt(x, y);
}

void HelpScreen::HoverAt(int32_t x, int32_t y) {
    BeginMenuPointerMove(ctx);
    if (LeftPanel(x, y, true)) return;
    // The highlight of the left, previous-page button is "Help_Up", of the right one "Help_Down".
    if (kPreviousHover.Contains(x, y))
        HoverItem<HelpGame_Down>(ctx, "Help_Up", 38, 523, 2);
    else if (kBackHover.Contains(x, y))
        HoverItem<HelpGame_Back>(ctx, "Help_Back_p", 187, 523, 2);
    else if (kNextHover.Contains(x, y))
        HoverItem<HelpGame_Up>(ctx, "Help_Down", 336, 523, 2);
    else
        ArmHover(ctx);
}

void HelpScreen::PointerDown(MouseButton button) {
    if (button == MouseButton::Left) ClickAt(ctx.state.MouseX, ctx.state.MouseY);
}

void HelpScreen::ClickAt(int32_t x, int32_t y) {
    GameState& s = ctx.state;
    // A turn past the first or the last page does nothing and is not heard.
    if (kPreviousClick.Contains(x, y) && s.HelpPage >= 2) {
        --s.HelpPage;
        ctx.host.SetScreenState(Screen::Help);
    } else if (kBackClick.Contains(x, y)) {
        ctx.host.SetScreenState(Screen::MainMenu);
    } else if (kNextClick.Contains(x, y) && s.HelpPage <= 2) {
        ++s.HelpPage;
        ctx.host.SetScreenState(Screen::Help);
    } else {
        return;
    }
    ClickSound(ctx);
}
