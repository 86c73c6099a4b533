#include "screens/text_input.h"

#include <string_view>

#include "app/game_state.h"
#include "engine/math256.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

bool IsFieldCharacter(char c) {
    static constexpr std::string_view kAccepted =
        "qazxswedcvfrtgbnhyujmkiolpQAZXSWEDCVFRTGBNHYUJMKIOLP1234567890";
    return c != 0 && kAccepted.find(c) != std::string_view::npos;
}

Palka::Palka(TSprite* parent, const ScreenContext& ctx) : TImageSprite(parent), ctx_(ctx) {
    SetUpImageSprite(*this, ctx.images, "palka", 0, 0, 800);
}

void Palka::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    GameState& s = ctx_.state;
    s.CountryTextWidth = MenuTextWidth(ctx_, s.CountryName, 18);
    if (s.ScreenState == Screen::Options) {
        X = s.CountryTextWidth + 272;
        Y = 360;
    } else if (s.ScreenState == Screen::GameOver) {
        X = 402 + RoundHalfEven(MenuTextWidth(ctx_, s.PlayerName, 20) / 2.0);
        Y = 330;
    }
}

void BlinkTextCursor(const ScreenContext& ctx) {
    GameState& s = ctx.state;
    if (s.CursorBlink != 0) --s.CursorBlink;
    TSpriteEngine& root = ctx.sprites.Engine();
    if (s.GamegoEdit && s.CursorBlink > 15) new Palka(&root, ctx);
    if (s.CursorBlink <= 15) {
        if (s.CursorBlink == 0) s.CursorBlink = 30;
        const int32_t n = root.ChildCount();
        for (int32_t i = 0; i < n; ++i)
            if (dynamic_cast<Palka*>(root.ChildAt(i)) != nullptr) root.ChildAt(i)->Kill();
    }
}
