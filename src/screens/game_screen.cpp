#include "screens/game_screen.h"

#include <string>

#include "app/audio.h"
#include "app/game_state.h"
#include "app/high_scores.h"
#include "app/input_states.h"
#include "app/random.h"
#include "app/timers.h"
#include "engine/math256.h"
#include "engine/sprite.h"
#include "platform/draw_surface.h"
#include "platform/window.h"
#include "screens/autopilot.h"
#include "screens/confirmations.h"
#include "screens/menu_sprites.h"
#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/shots.h"
#include "world/signs.h"
#include "world/traffic.h"

namespace {

const char* const kMainPack = "Data/GraphicsMain.dxg";
const char* const kMenuPack = "Data/GraphicsMenu.dxg";
constexpr uint32_t kSilver = 0xC0C0C0;
constexpr uint32_t kBlack = 0x000000;
constexpr int32_t kKeyP = 'P';

}  // namespace

GameScreen::GameScreen(const ScreenContext& context)
    : IScreen(context),
      world_{ctx.state,
             ctx.images,
             ctx.audio,
             ctx.timers,
             ctx.input,
             [this] { ByeByeMyCar(); },
             [this] { return Now(); },
             ctx.sprites.Engine()} {
    ctx.timers.Timer_Level.OnTimer = [this] { Timer_LevelTimer(); };
    ctx.timers.Timer_Nitro.OnTimer = [this] { Timer_NitroTimer(); };
    ctx.timers.Timer_police.OnTimer = [this] { Timer_policeTimer(); };
}

GameScreen::~GameScreen() {
    ctx.timers.Timer_Level.OnTimer = nullptr;
    ctx.timers.Timer_Nitro.OnTimer = nullptr;
    ctx.timers.Timer_police.OnTimer = nullptr;
}

uint64_t GameScreen::Now() const {
    return ctx.host.Now();
}

void GameScreen::KillAll() {
    TSpriteEngine& root = ctx.sprites.Engine();
    const int32_t n = root.ChildCount();
    for (int32_t i = 0; i < n; ++i) root.ChildAt(i)->Kill();
}

void GameScreen::StartGame() {
    GameState& s = ctx.state;
    ResetGameFields(s);
    KillAll();
    ctx.sprites.Engine().FreeChildren();
    ctx.window.SetPointer(PointerShape::None);
    s.CursorBlink = 0;
    ctx.audio.PlayMusic(MusicTrack::Game);
    ctx.host.LoadGraphicsPack(kMainPack);
    s.ScreenWidth = 800;
    s.ScreenHeight = 600;
    s.RoadLeft = 90;
    s.LaneWidth = 155;
    s.Speed = 0;
    s.Lives = 3;
    s.Score = 0;
    s.BlinkTicks = 0;
    s.MaxSpeed = 14.0;
    s.Acceleration = 30;
    s.Health = 100.0;
    s.BottomMargin = 100;
    s.RivalStartY = -420.0;
    s.Distance = 0;
    s.LevelLength = 20000;
    s.HasWeapon = false;
    s.Ammo = 0;
    s.Level = 0;
    s.StartBlink = true;
    s.Hud.clear();
    NextLevel();
}

void GameScreen::NextLevel() {
    GameState& s = ctx.state;
    s.Driving = false;
    s.Level += 1;
    // Makes up for the car ByeByeMyCar takes below: a new level costs no car.
    s.Lives += 1;
    s.Distance = 0;
    if (s.Level != 1) {
        ctx.audio.PlaySound("viva");
        s.Score += (s.Level - 1) * 50;
        // 20000, 25000, 31250, 39062, 48828, ...
        s.LevelLength = RoundHalfEven(s.LevelLength * 1.25);
    }
    ctx.timers.Timer_Level.SetEnabled(true, Now());
    s.LevelIntro = true;
    ByeByeMyCar();
    new TCarFura(world_);
    s.Driving = false;
}

void GameScreen::ByeByeMyCar() {
    GameState& s = ctx.state;
    s.PolicePostPresent = s.SignPresent = s.Arrested = s.PoliceCarPresent = s.PoliceChase = false;
    s.Driving = false;
    s.Lives -= 1;
    s.Health = 100.0;
    s.HasWeapon = false;
    s.ShotInFlight = false;
    s.Ammo = 0;
    s.Speed = 0;
    ctx.timers.Timer_Nitro.SetEnabled(false, Now());
    s.NitroSeconds = 0;
    s.NitroOn = false;
    if (s.Lives <= 0) {
        // The field stays as it is; the next frame shows the game-over screen.
        s.GameOverPending = true;
        return;
    }
    // Killed, not freed: this may run inside a collision pass. They go at the next RemoveDead.
    KillAll();
    new TScrollBackground(world_);
    new TCarSprite(world_);
    new TStolb(world_);
    new TEnemyCarFirst(world_, s.RivalStartY);
    new TKillerLine(world_);
    s.StartBlink = true;
    TSpriteEngine& root = ctx.sprites.Engine();
    CreateImageSprite<TImageSprite>(
        root, ctx.images, s.Clan == 2 ? "m_panel_bandOfDragons" : "m_panel_bandOfBuldogs", 681, 0, 10);
    CreateImageSprite<TImageSprite>(root, ctx.images, "m_panel_down", 0, 448, 10);
    const int32_t scoreWidth = ctx.images.FindImage("m_panel_score").PatternWidth();
    CreateImageSprite<TImageSprite>(root, ctx.images, "m_panel_score", 400 - RoundHalfEven(scoreWidth / 2.0),
                                    0, 10);
    new TIndexGorod(world_);
    s.Driving = true;
    s.Paused = false;
}

void GameScreen::Enter() {
    try {
        StartGame();
    } catch (const std::exception& error) {
        Abandon(error);
    }
}

void GameScreen::Frame(int32_t lagCount) {
    try {
        if (ctx.state.Demo) DriveDemo();
        ctx.sprites.MoveWorld(lagCount);
        GameFrame();
    } catch (const std::exception& error) {
        Abandon(error);
    }
}

void GameScreen::DriveDemo() {
    const AutopilotInput decided = DecideAutopilot(ctx.state, ctx.sprites.Engine());
    ctx.input.Hold(TDXInput::kUp, decided.up);
    ctx.input.Hold(TDXInput::kDown, decided.down);
    ctx.input.Hold(TDXInput::kLeft, decided.left);
    ctx.input.Hold(TDXInput::kRight, decided.right);
    ctx.input.Hold(TDXInput::kButton1 + 1, decided.handbrake);
    // It fires as a press of Ctrl does.
    if (decided.fire) KeyDown(kVkControl, kShiftCtrl);
}

void GameScreen::Abandon(const std::exception& error) {
    ctx.host.ReportError(error.what());
    ctx.host.SetScreenState(Screen::MainMenu);
}

void GameScreen::GameFrame() {
    GameState& s = ctx.state;
    s.Hud.clear();
    if (s.GameOverPending) {
        // A demo's game over goes back to the main menu: its score is nobody's.
        ctx.host.SetScreenState(s.Demo ? Screen::MainMenu : Screen::GameOver);
        return;
    }
    if (!s.PoliceCarPresent) ctx.audio.StopSound("police");
    if (s.Distance >= s.LevelLength) {
        // The last picture of the level, then the next one's field; no display text this frame.
        ctx.sprites.Render();
        s.Driving = false;
        NextLevel();
        return;
    }
    // The engine's sound by speed; the sound item decides whether a request starts a copy.
    if (s.Speed > 0) ctx.audio.PlaySound("back1");
    if (s.Speed > 3) ctx.audio.PlaySound("forward1");
    if (s.Speed > 8) ctx.audio.PlaySound("forward2");
    if (s.Speed < 0) ctx.audio.PlaySound("back1");
    // Drawn once: a second picture of the same world in the same frame would only overdraw it.
    ctx.sprites.Render();
    ctx.sprites.RemoveDead();

    // Pickups and rocks.
    if (s.Distance >= 4000 && Random(170) == 5 && s.Driving && s.Speed != 0) {
        const int32_t b = Random(101);
        if (b <= 10)
            new TRocksMassovka(world_);
        else if (b <= 30)
            new TMedicSprite(world_);
        else if (b <= 34)
            new TLiveSprite(world_);
        else if (b <= 70)
            new TGunsSprite(world_);
        else if (b <= 78)
            new TNitroSprite(world_);
        else
            new TBonusSprite(world_);
    }
    // A speed sign every 2000 of distance.
    if (!s.SignPresent && s.Distance % 2000 < 25 && !s.Paused && !s.GameMainExit) new TZnak(world_);
    // City traffic, a little more each level.
    const int32_t r = Random(650 - 12 * s.Level);
    if (r == 14 && s.Speed != 0 && !s.Paused && !s.GameMainExit) new TEnemyCityCar(world_);
    // A police post every 7000 of distance from 8100 on, half of the time; with a barrier and
    // spike strips during a chase.
    if (s.Distance >= 8100 && !s.PolicePostPresent && s.Distance % 7000 < 25 && Random(2) == 1) {
        new TPoliceState(world_);
        if (s.PoliceChase) {
            new TPoliceZabor(world_, 450);
            new TPoliceShips(world_, 290);
            new TPoliceShips(world_, 555);
        }
    }
    if (s.Driving) s.Distance += RoundHalfEven(s.Speed);
    if (s.NitroOn) s.Speed = 14.0;
    DrawHud();
}

void GameScreen::HudText(const std::string& text, int32_t x, int32_t y, int32_t size, uint32_t color) {
    ctx.surface.DrawText(ctx.state.TextFontName, size, color, x, y, text);
    ctx.state.Hud.push_back({text, x, y, size, color});
}

void GameScreen::HudTextCentred(const std::string& text, int32_t centreX, int32_t y, int32_t size,
                                uint32_t color) {
    const int32_t width = ctx.surface.TextWidth(ctx.state.TextFontName, size, text);
    HudText(text, centreX - RoundHalfEven(width / 2.0), y, size, color);
}

void GameScreen::DrawHud() {
    const GameState& s = ctx.state;
    HudTextCentred(std::to_string(s.Score), 400, 4, 16, kSilver);
    HudTextCentred(std::to_string(RoundHalfEven(s.Health)) + "%", 400, 567, 16, kSilver);
    HudTextCentred(std::to_string(RoundHalfEven(s.Speed * 10)), 740, 520, 16, kSilver);
    HudText("mph", 720, 550, 16, kSilver);
    HudTextCentred(std::to_string(s.Lives), 112, 552, 16, kSilver);
    HudText("Level " + std::to_string(s.Level), 3, 5, 16, kSilver);
    if (s.HasWeapon) HudTextCentred("x" + std::to_string(s.Ammo), 765, 260, 16, kSilver);
    if (s.NitroOn) HudTextCentred(std::to_string(8 - s.NitroSeconds), 765, 400, 16, kSilver);
    // The demo says what it is, under the score.
    if (s.Demo) HudTextCentred("DEMO", 400, 60, 30, kSilver);
    if (ctx.timers.Timer_Level.Enabled() && !s.Paused && !s.GameMainExit)
        HudTextCentred("Level " + std::to_string(s.Level), 400, 250, 30, kBlack);
    else if (s.Paused && !s.GameMainExit)
        HudText("PAUSE", 335, 270, 30, kBlack);
}

void GameScreen::Leave() {
    ctx.sprites.Engine().FreeChildren();
    ctx.input.ReleaseAll();
    ctx.state.BackFromGame = true;
    ctx.audio.StopSound("all");
    ctx.host.LoadGraphicsPack(kMenuPack);
}

void GameScreen::KeyDown(int32_t key, uint32_t shift) {
    GameState& s = ctx.state;
    const bool banner = ctx.timers.Timer_Level.Enabled();
    if (key == kKeyP && !banner && !s.GameMainExit) {
        // Both toggle, so a pause during the level intro is undone by the second P.
        s.Paused = !s.Paused;
        s.Driving = !s.Driving;
    }
    // Any key with Ctrl held fires, the Ctrl key's own repeat included.
    if ((shift & kShiftCtrl) != 0 && s.Driving && s.HasWeapon && !s.ShotInFlight) FirePlayerVolley(world_);
    if (key == kVkEscape && !banner && !s.Paused && !s.GameMainExit) {
        s.Driving = false;
        GameMainExitClick(ctx);
        quitFocus_.Clear();
        return;
    }
    // The arrows drive the car; only the quit overlay takes them for its Yes and No.
    if (!s.GameMainExit) return;
    const Answer answer = AnswerKey(key, shift, quitFocus_);
    if (answer != Answer::None)
        Answered(answer);
    else if (quitFocus_.Move(FocusKeyOf(key, shift), kYesNoSpots))
        ShowLitAnswer(ctx, quitFocus_);
}

void GameScreen::PointerMove(int32_t x, int32_t y) {
    quitFocus_.Clear();
    KillHighlights(ctx.sprites.Engine());
    if (ctx.state.GameMainExit && HoverYesNo(ctx, x, y)) return;
    ArmHover(ctx);
}

void GameScreen::PointerDown(MouseButton button) {
    GameState& s = ctx.state;
    if (button != MouseButton::Left || !s.GameMainExit) return;
    Answered(AnswerAt(s.MouseX, s.MouseY));
}

void GameScreen::Answered(Answer answer) {
    GameState& s = ctx.state;
    if (answer == Answer::None) return;
    quitFocus_.Clear();
    CloseQuitOverlay(ctx);
    if (answer == Answer::No) {
        s.Driving = true;
        return;
    }
    // A score good enough for the table goes to the name entry.
    ctx.host.SetScreenState(ScoreQualifies(s.HighScores, s.Score) ? Screen::GameOver : Screen::MainMenu);
}

void GameScreen::CloseRequested() {
    ctx.audio.PlaySound("button_down");
    if (ctx.state.GameMainExit) return;
    GameMainExitClick(ctx);
    quitFocus_.Clear();
}

void GameScreen::Timer_LevelTimer() {
    ctx.timers.Timer_Level.SetEnabled(false, Now());
}

void GameScreen::Timer_NitroTimer() {
    GameState& s = ctx.state;
    s.NitroSeconds += 1;
    if (s.NitroSeconds >= 8) {
        ctx.timers.Timer_Nitro.SetEnabled(false, Now());
        s.Speed = s.SpeedBeforeNitro;
        s.NitroSeconds = 0;
        s.NitroOn = false;
    }
}

void GameScreen::Timer_policeTimer() {
    ctx.timers.Timer_police.SetEnabled(false, Now());
    ctx.state.PoliceChase = false;
}
