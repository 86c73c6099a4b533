#include "screens/confirmations.h"

#include "app/audio.h"
#include "app/game_state.h"
#include "platform/window.h"

Answer AnswerAt(int32_t x, int32_t y) {
    if (kYesRegion.Contains(x, y)) return Answer::Yes;
    if (kNoRegion.Contains(x, y)) return Answer::No;
    return Answer::None;
}

Answer AnswerKey(int32_t key, uint32_t shift, const MenuFocus& focus) {
    if (key == kKeyYes) return Answer::Yes;
    if (key == kKeyNo) return Answer::No;
    if (FocusKeyOf(key, shift) == FocusKey::Choose && focus.Any())
        return focus.Lit() == 0 ? Answer::Yes : Answer::No;
    return Answer::None;
}

bool HoverYesNo(const ScreenContext& ctx, int32_t x, int32_t y) {
    switch (AnswerAt(x, y)) {
        case Answer::Yes:
            HoverItem<TMainExit_Yes>(ctx, "Exit_Main_Yes_d", kYesRegion.left, kYesRegion.top, 902);
            return true;
        case Answer::No:
            HoverItem<TMainExit_No>(ctx, "Exit_Main_No_d", kNoRegion.left, kNoRegion.top, 902);
            return true;
        case Answer::None:
            break;
    }
    return false;
}

void ShowLitAnswer(const ScreenContext& ctx, const MenuFocus& focus) {
    BeginKeyHover(ctx);
    const HotRegion& button = focus.Lit() == 0 ? kYesRegion : kNoRegion;
    HoverYesNo(ctx, CentreX(button), CentreY(button));
}

void GameMainExitClick(const ScreenContext& ctx) {
    GameState& s = ctx.state;
    if (s.Paused) return;
    s.GameMainExit = !s.GameMainExit;
    ctx.host.UpdateCaption();
    if (s.GameMainExit) {
        s.Driving = false;
        ctx.window.SetPointer(PointerShape::Hand);
        ctx.audio.PlaySound("pause");
        // The panel sits 5 px above the centre; the question goes on top of it.
        TSpriteEngine& root = ctx.sprites.Engine();
        CreateCentredSprite<TMainExit>(root, ctx.images, "Exit_Main", 5, 901);
        CreateImageSprite<TMainExit_Word>(root, ctx.images, "Exit_Main_Word", 235, 220, 902);
    } else {
        ctx.window.SetPointer(PointerShape::None);
        ctx.audio.PlaySound("after_pause");
        KillMenuSprites(ctx.sprites.Engine());
    }
}

void CloseQuitOverlay(const ScreenContext& ctx) {
    ClickSound(ctx);
    if (ctx.state.GameMainExit) GameMainExitClick(ctx);
}

void GameClearHighScoreClick(const ScreenContext& ctx) {
    GameState& s = ctx.state;
    s.GameClearHighScore = !s.GameClearHighScore;
    TSpriteEngine& root = ctx.sprites.Engine();
    if (s.GameClearHighScore) {
        CreateCentredSprite<TClearHighScore>(root, ctx.images, "Exit_Main", 5, 801);
        CreateImageSprite<TClearHighScore_Word>(root, ctx.images, "HighScore_Clear_Word", 205, 210, 802);
    } else {
        KillMenuSprites(root);
    }
}
