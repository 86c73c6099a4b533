#include "screens/high_score_screen.h"

#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/high_scores.h"
#include "screens/confirmations.h"
#include "screens/menu_links.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"

namespace {

constexpr HotRegion kClearHover{38, 174, 523, 554};
constexpr HotRegion kBackHover{187, 323, 523, 554};
constexpr HotRegion kViewHover{336, 472, 523, 554};
constexpr HotRegion kClearClick = kClearHover;
constexpr HotRegion kBackClick{187, 324, 523, 554};
constexpr HotRegion kViewClick{336, 470, 523, 554};

constexpr HotRegion kButtons[] = {kClearHover, kBackHover, kViewHover};
constexpr int32_t kButtonCount = 3;
const std::vector<FocusSpot> kButtonSpots = {{0, 0}, {0, 1}, {0, 2}};

constexpr int32_t RowY(int32_t row) {
    return 198 + 30 * row;
}

// A row's replay mark: just right of the row, inside the panel.
constexpr int32_t kMarkX = 458;
constexpr int32_t kMarkSize = 28;
constexpr HotRegion MarkRegion(int32_t row) {
    return {kMarkX, kMarkX + kMarkSize - 1, RowY(row), RowY(row) + kMarkSize - 1};
}

}  // namespace

void HighScoreScreen::Enter() {
    focus_.Clear();
    marked_ = ctx.host.RowsWithReplays();
    markRows_.clear();
    for (int32_t i = 0; i < 10; ++i)
        if (marked_[static_cast<size_t>(i)]) markRows_.push_back(i);
    BuildFrame({255, 320, true}, [&](TSpriteEngine& root) {
        CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_head", 42, 168, 1);
        CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_Clear_n", 38, 523, 2);
        CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_View_n", 336, 523, 2);
        CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_Back_n", 187, 523, 2);
        for (int32_t i = 0; i < 10; ++i)
            CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_Table_row", 42, RowY(i), 1);
        for (const int32_t row : markRows_)
            CreateImageSprite<TImageSprite>(root, ctx.images, "HighScore_Replay_n", kMarkX, RowY(row), 2);
    });
}

int32_t HighScoreScreen::MarkAt(int32_t x, int32_t y) const {
    for (const int32_t row : markRows_)
        if (MarkRegion(row).Contains(x, y)) return row;
    return -1;
}

std::vector<FocusSpot> HighScoreScreen::Spots() const {
    std::vector<FocusSpot> spots = kButtonSpots;
    for (const int32_t row : markRows_) spots.push_back({row - 10, 0});
    return spots;
}

std::pair<int32_t, int32_t> HighScoreScreen::LitCentre() const {
    const int32_t lit = focus_.Lit();
    const HotRegion region =
        lit < kButtonCount ? kButtons[lit] : MarkRegion(markRows_[static_cast<size_t>(lit - kButtonCount)]);
    return {CentreX(region), CentreY(region)};
}

void HighScoreScreen::Frame(int32_t) {
    DrawFrame();
    const GameState& s = ctx.state;
    if (s.GameClearHighScore) return;
    MenuText(ctx, "HIGH SCORE", 170, 120, 20);
    for (int32_t i = 0; i < 10; ++i) {
        const TLocal_HighScores& row = s.HighScores[static_cast<size_t>(i)];
        MenuText(ctx, std::to_string(i + 1), 85, RowY(i), 19);
        MenuText(ctx, row.Name, 160, RowY(i), 19);
        MenuText(ctx, std::to_string(row.Score), 362, RowY(i), 19);
    }
}

void HighScoreScreen::Leave() {
    SubScreen::Leave();
    ctx.host.SaveConfig();
}

void HighScoreScreen::KeyDown(int32_t key, uint32_t shift) {
    const bool question = ctx.state.GameClearHighScore;
    focus_.Within(question ? 1 : 0);
    if (key == kVkEscape) {
        if (question) {
            // The table as it was, shown again (leaving writes the settings file).
            ctx.host.SetScreenState(Screen::HighScores);
            GameClearHighScoreClick(ctx);
        } else {
            ctx.host.SetScreenState(Screen::MainMenu);
        }
        return;
    }
    if (question) {
        const Answer answer = AnswerKey(key, shift, focus_);
        if (answer != Answer::None) {
            Answered(answer);
            ClickSound(ctx);
        } else if (focus_.Move(FocusKeyOf(key, shift), kYesNoSpots)) {
            ShowLitAnswer(ctx, focus_);
        }
        return;
    }
    const FocusKey move = FocusKeyOf(key, shift);
    if (move == FocusKey::Choose) {
        if (focus_.Any()) {
            const auto [x, y] = LitCentre();
            ClickAt(x, y);
        }
        return;
    }
    if (!focus_.Move(move, Spots())) return;
    BeginKeyHover(ctx);
    const auto [x, y] = LitCentre();
    HoverAt(x, y);
}

void HighScoreScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    HoverAt(x, y);
}

void HighScoreScreen::HoverAt(int32_t x, int32_t y) {
    BeginMenuPointerMove(ctx);
    if (ctx.state.GameClearHighScore) {
        // The question holds the pointer: it may leave the panel, and only the answers and the
        // logo respond.
        if (kLogoRegion.Contains(x, y))
            HoverItem<fggActive>(ctx, "fgg_active", 531, 526, 802);
        else if (!HoverYesNo(ctx, x, y))
            ArmHover(ctx);
        return;
    }
    if (LeftPanel(x, y, true)) return;
    if (kClearHover.Contains(x, y))
        HoverItem<HighScore_Clear>(ctx, "HighScore_Clear_d", 38, 523, 3);
    else if (kBackHover.Contains(x, y))
        HoverItem<HighScore_Back>(ctx, "HighScore_Back_d", 187, 523, 3);
    else if (kViewHover.Contains(x, y))
        HoverItem<HighScore_View>(ctx, "HighScore_View_d", 336, 523, 3);
    else if (const int32_t row = MarkAt(x, y); row >= 0)
        HoverItem<HighScore_Replay>(ctx, "HighScore_Replay_d", kMarkX, RowY(row), 3);
    else
        ArmHover(ctx);
}

void HighScoreScreen::PointerDown(MouseButton button) {
    if (button != MouseButton::Left) return;
    if (ctx.state.GameClearHighScore) return AnswerClearQuestion();
    ClickAt(ctx.state.MouseX, ctx.state.MouseY);
}

void HighScoreScreen::ClickAt(int32_t x, int32_t y) {
    if (kClearClick.Contains(x, y))
        GameClearHighScoreClick(ctx);
    else if (kBackClick.Contains(x, y))
        ctx.host.SetScreenState(Screen::MainMenu);
    else if (kViewClick.Contains(x, y))
        OpenOnlineHighScores(ctx);
    else if (const int32_t row = MarkAt(x, y); row >= 0) {
        // The sound first: the replay's game takes the window.
        ClickSound(ctx);
        ctx.host.WatchRowReplay(row);
        return;
    } else
        return;
    ClickSound(ctx);
}

void HighScoreScreen::AnswerClearQuestion() {
    const int32_t x = ctx.state.MouseX;
    const int32_t y = ctx.state.MouseY;
    if (kLogoRegion.Contains(x, y)) {
        OpenWebsiteLink(ctx);
    } else {
        const Answer answer = AnswerAt(x, y);
        if (answer == Answer::None) return;
        Answered(answer);
    }
    ClickSound(ctx);
}

void HighScoreScreen::Answered(Answer answer) {
    if (answer == Answer::Yes) {
        // The built-in table; rebuilding the screen leaves it, which writes the settings file.
        ctx.state.HighScores = DefaultHighScores();
        ctx.host.SetScreenState(Screen::HighScores);
    }
    GameClearHighScoreClick(ctx);
}
