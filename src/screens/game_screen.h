#pragma once
// The game screen: starts a game, builds the playing field for every car and level, runs the
// game frame (spawning by distance and chance, the distance, the head-up display) and the
// in-game keys. The road objects themselves live in src/world.

#include <memory>

#include "app/screen.h"
#include "screens/menu_focus.h"
#include "world/world.h"

// A yes/no box's answer (confirmations.h).
enum class Answer;

class GameScreen : public IScreen {
public:
    explicit GameScreen(const ScreenContext& context);
    ~GameScreen() override;

    void Enter() override;
    void Frame(int32_t lagCount) override;
    void Leave() override;
    void KeyDown(int32_t key, uint32_t shift) override;
    // The quit overlay's Yes and No.
    void PointerMove(int32_t x, int32_t y) override;
    void PointerDown(MouseButton button) override;
    void CloseRequested() override;
    std::optional<MusicTrack> OwnMusic() const override { return MusicTrack::Game; }

    void StartGame();
    void NextLevel();
    void ByeByeMyCar();
    // After the engine's move pass.
    void GameFrame();

    // The three game timers.
    void Timer_LevelTimer();
    void Timer_NitroTimer();
    void Timer_policeTimer();

    WorldContext& World() { return world_; }

private:
    uint64_t Now() const;
    // A road that cannot be drawn (a picture missing from the pack) is told once and the
    // player is back on the main menu, instead of the same error every frame.
    void Abandon(const std::exception& error);
    void KillAll();
    // The attract mode's demo: the autopilot holds the keys for this frame's move.
    void DriveDemo();
    void DrawHud();
    // Draws a text of the display and keeps it in the state's list for the simulator.
    void HudText(const std::string& text, int32_t x, int32_t y, int32_t size, uint32_t color);
    void HudTextCentred(const std::string& text, int32_t centreX, int32_t y, int32_t size, uint32_t color);

    // Yes or No of the quit overlay, clicked or by key.
    void Answered(Answer answer);

    WorldContext world_;
    MenuFocus quitFocus_;  // the keys' light over the quit overlay's Yes and No
};
