#include "screens/game_over_screen.h"

#include <string>
#include <vector>

#include "app/audio.h"
#include "app/game_state.h"
#include "app/high_scores.h"
#include "app/timers.h"
#include "screens/menu_links.h"
#include "screens/menu_sprites.h"
#include "screens/menu_system.h"
#include "screens/text_input.h"

namespace {

constexpr HotRegion kNameField{213, 587, 312, 339};
constexpr HotRegion kSendBox{200, 282, 364, 424};
constexpr int32_t kSendItem = 1;
const std::vector<FocusSpot> kSpots = {{0, 0}, {1, 0}};
constexpr uint32_t kShowMs = 5000;
constexpr uint32_t kBackMs = 200;
// The gamepad's letter chooser, under the name panel.
constexpr int32_t kChooserTop = 452;

}  // namespace

void GameOverScreen::Enter() {
    waited_ = leaving_ = false;
    letters_.Reset();
    focus_.Clear();
    // Beneath every other sprite.
    CreateImageSprite<TImageSprite>(ctx.sprites.Engine(), ctx.images, "gameOver", 0, 0, -1);
    ctx.audio.PlayMusic(MusicTrack::GameOver);
    ctx.timers.Timer1.SetInterval(kShowMs, ctx.host.Now());
    ctx.timers.Timer1.SetEnabled(true, ctx.host.Now());
}

void GameOverScreen::Frame(int32_t lagCount) {
    BlinkTextCursor(ctx);
    letters_.Step(lagCount);
    ClearMenuTexts(ctx);
    SubScreenFrame(ctx.sprites, ctx.surface);
    GameState& s = ctx.state;
    if (!s.GameEnterName) return;
    s.PlayerName = s.Edit2;
    MenuTextCentred(ctx, std::to_string(s.Score), 400, 210, 20);
    MenuTextCentred(ctx, s.PlayerName, 400, 310, 20);
    if (s.GamegoEdit && letters_.Shown()) letters_.Draw(ctx, 400, kChooserTop);
}

void GameOverScreen::Leave() {
    ctx.timers.Timer1.SetEnabled(false, ctx.host.Now());
    ctx.sprites.Engine().FreeChildren();
    GameState& s = ctx.state;
    s.GameOverPending = false;
    s.GameEnterName = s.GamegoEdit = s.GameSendResult = false;
    ctx.host.SaveConfig();
}

bool GameOverScreen::Qualifies() const {
    return ScoreQualifies(ctx.state.HighScores, ctx.state.Score);
}

void GameOverScreen::Timer1() {
    if (leaving_) {
        ctx.host.SetScreenState(Screen::MainMenu);
        return;
    }
    waited_ = true;
    ctx.window.SetPointer(PointerShape::Arrow);
    if (Qualifies()) GameEnterNameClick();
}

void GameOverScreen::BackToMenu() {
    if (leaving_) return;
    leaving_ = true;
    ctx.timers.Timer1.SetInterval(kBackMs, ctx.host.Now());
    ctx.timers.Timer1.SetEnabled(true, ctx.host.Now());
}

void GameOverScreen::GameEnterNameClick() {
    GameState& s = ctx.state;
    s.GameEnterName = !s.GameEnterName;
    if (!s.GameEnterName) return;
    CreateCentredSprite<TEnter_Name>(ctx.sprites.Engine(), ctx.images, "Enter_Name", 0, 0);
    // A player without a stored name types at once.
    s.GamegoEdit = s.Edit2.empty();
}

void GameOverScreen::GameSendResultClick() {
    GameState& s = ctx.state;
    s.GameSendResult = !s.GameSendResult;
    TSpriteEngine& root = ctx.sprites.Engine();
    const int32_t n = root.ChildCount();
    for (int32_t i = 0; i < n; ++i)
        if (dynamic_cast<TEnter_Name_Send*>(root.ChildAt(i)) != nullptr) root.ChildAt(i)->Kill();
    if (s.GameSendResult)
        CreateImageSprite<TEnter_Name_Send>(root, ctx.images, "Enter_Name_Send", 217, 378, 1);
}

void GameOverScreen::ConfirmName() {
    GameState& s = ctx.state;
    // The name as typed: the player-name mirror may still carry the settings file's filling.
    InsertHighScore(s.HighScores, s.Edit2, s.Score);
    ctx.host.HighScoreEntered(s.Edit2, s.Score);
    if (s.GameSendResult) SubmitScore(ctx);
    // Leaving writes the settings file, the new row included, and the table shows it.
    ctx.host.SetScreenState(Screen::HighScores);
}

void GameOverScreen::KeyDown(int32_t key, uint32_t shift) {
    GameState& s = ctx.state;
    const bool qualifies = Qualifies();
    if ((key == kVkEscape || key == kVkReturn) && waited_ && !qualifies) {
        BackToMenu();
        return;
    }
    if (key == kVkBack && s.GamegoEdit && !s.Edit2.empty()) s.Edit2.pop_back();
    const FocusKey move = FocusKeyOf(key, shift);
    if (s.GameEnterName && !leaving_) {
        // Enter on the lit send box ticks it, as a click does; on the name it confirms.
        if (move == FocusKey::Choose && focus_.Lit() == kSendItem) {
            GameSendResultClick();
            ClickSound(ctx);
            return;
        }
        LightKey(move);
    }
    // Also before the panel shows: a stored name is confirmed at once.
    if (key == kVkReturn && (shift & kShiftAlt) == 0 && !s.Edit2.empty() && qualifies && !leaving_)
        ConfirmName();
}

void GameOverScreen::LightKey(FocusKey key) {
    if (key == FocusKey::Choose || !focus_.Move(key, kSpots)) return;
    GameState& s = ctx.state;
    // As a click: the name takes typing while lit, and a name already there ends its editing
    // when the light moves to the send box.
    if (focus_.Lit() == kSendItem) {
        if (!s.Edit2.empty()) s.GamegoEdit = false;
    } else {
        s.GamegoEdit = true;
    }
}

void GameOverScreen::Char(char c) {
    GameState& s = ctx.state;
    if (s.GamegoEdit && s.Edit2.size() < kFieldLength && IsFieldCharacter(c)) s.Edit2 += c;
}

void GameOverScreen::PointerMove(int32_t x, int32_t y) {
    focus_.Clear();
    BeginMenuPointerMove(ctx);
    ArmHover(ctx);
    if (ctx.state.GameEnterName && kNameField.Contains(x, y)) ctx.window.SetPointer(PointerShape::IBeam);
}

void GameOverScreen::PointerDown(MouseButton button) {
    if (button != MouseButton::Left || !waited_) return;
    if (!Qualifies()) {
        BackToMenu();
        return;
    }
    GameState& s = ctx.state;
    // A click anywhere ends the editing of a name already there.
    if (!s.Edit2.empty()) s.GamegoEdit = false;
    if (kNameField.Contains(s.MouseX, s.MouseY)) {
        s.GamegoEdit = true;
        ClickSound(ctx);
    } else if (kSendBox.Contains(s.MouseX, s.MouseY)) {
        GameSendResultClick();
        ClickSound(ctx);
    }
}

bool GameOverScreen::PadInput(const InputEvent& event) {
    const GameState& s = ctx.state;
    return letters_.Take(event, s.GameEnterName && s.GamegoEdit && !leaving_, LetterChooser::FieldOf(*this));
}
