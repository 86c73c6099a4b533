#pragma once
// The state the main window, the screens and the road objects share: the window's fields and
// flags, and the game's score, lives, speed and flags, read and written by name.

#include <cstdint>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "base/screens.h"

struct GameState {
    // ---- fields of the main window
    Screen ScreenState = Screen::None;
    int32_t Level = 0;
    int32_t Score = 0;
    std::string CountryName;
    std::string PlayerName;
    std::string Edit1;  // the country text
    std::string Edit2;  // the player name

    // ---- the check marks of the never-shown pop-up menu, used as flags
    bool GameFullScreen = false;
    bool GameSound = true;
    bool GameMusic = true;
    bool GameMainExit = false;
    bool GameEnterName = false;
    bool GameSendResult = false;
    bool GamegoEdit = false;
    bool GameClearHighScore = false;

    bool ResizePending = false;
    uint8_t CursorBlink = 0;
    std::string TextFontName = "Arial";

    // ---- the game: score, cars, speed, distance and the flags the road objects share
    int32_t Clan = 1;  // 1 Bulldogs, 2 Dragons
    bool GameOverPending = false;
    bool Paused = false;
    bool Driving = false;
    bool BackFromGame = false;
    // The attract mode's demo game is on the game screen: the autopilot drives, the game over
    // leads back to the main menu, and nothing is kept.
    bool Demo = false;
    int32_t Lives = 0;
    double Health = 0;  // percent
    double Speed = 0;   // pixels the road moves a frame; shown x10 as mph
    double MaxSpeed = 14.0;
    int32_t Acceleration = 30;
    int32_t Distance = 0;
    int32_t LevelLength = 0;
    bool LevelIntro = false;
    bool TruckArrived = false;
    bool PoliceChase = false;
    bool Arrested = false;
    int16_t PoliceHealth = 0;
    double PolicePostY = 0;
    bool PoliceCarPresent = false;
    bool PolicePostPresent = false;
    bool SignPresent = false;
    uint8_t WeaponKind = 0;  // 1 pistol, 2 machine gun, 3 bazooka, 4 rocket launcher
    bool HasWeapon = false;
    bool ShotInFlight = false;
    int32_t Ammo = 0;
    bool NitroOn = false;
    int32_t NitroSeconds = 0;
    int32_t SpeedBeforeNitro = 0;
    double PlayerX = 0;
    double PlayerY = 0;
    int32_t PlayerZ = 0;
    int32_t ScreenWidth = 800;
    int32_t ScreenHeight = 600;
    int32_t RoadLeft = 90;
    int32_t LaneWidth = 155;
    int32_t BottomMargin = 100;
    bool StartBlink = true;
    int32_t BlinkTicks = 0;
    double RivalStartY = -420.0;

    // ---- the menus
    int32_t MouseX = 0;
    int32_t MouseY = 0;
    // Set while the pointer is outside every hot region: the next item it enters sounds.
    bool HoverArmed = false;
    uint8_t HelpPage = 1;  // 1 overview, 2 controls, 3 about
    // Width of the country text in the options' font, as the text cursor last measured it.
    int32_t CountryTextWidth = 0;
    int32_t PromoCountdown = 0;

    // The texts of the head-up display drawn in the last game frame, for the simulator.
    struct HudText {
        std::string text;
        int32_t x = 0;
        int32_t y = 0;
        int32_t size = 0;
        uint32_t color = 0;  // 0xRRGGBB
    };
    std::vector<HudText> Hud;

    THighScoreTable HighScores = DefaultHighScores();
};

// Every value of the game itself back to how a fresh window has it (the clan, the demo flag, the
// window's and the menus' fields stay): a game begins the same whatever was played before it, so
// a recorded game plays again from its start alone.
inline void ResetGameFields(GameState& state) {
    const GameState fresh;
    state.Level = fresh.Level;
    state.Score = fresh.Score;
    state.GameOverPending = fresh.GameOverPending;
    state.Paused = fresh.Paused;
    state.Driving = fresh.Driving;
    state.Lives = fresh.Lives;
    state.Health = fresh.Health;
    state.Speed = fresh.Speed;
    state.MaxSpeed = fresh.MaxSpeed;
    state.Acceleration = fresh.Acceleration;
    state.Distance = fresh.Distance;
    state.LevelLength = fresh.LevelLength;
    state.LevelIntro = fresh.LevelIntro;
    state.TruckArrived = fresh.TruckArrived;
    state.PoliceChase = fresh.PoliceChase;
    state.Arrested = fresh.Arrested;
    state.PoliceHealth = fresh.PoliceHealth;
    state.PolicePostY = fresh.PolicePostY;
    state.PoliceCarPresent = fresh.PoliceCarPresent;
    state.PolicePostPresent = fresh.PolicePostPresent;
    state.SignPresent = fresh.SignPresent;
    state.WeaponKind = fresh.WeaponKind;
    state.HasWeapon = fresh.HasWeapon;
    state.ShotInFlight = fresh.ShotInFlight;
    state.Ammo = fresh.Ammo;
    state.NitroOn = fresh.NitroOn;
    state.NitroSeconds = fresh.NitroSeconds;
    state.SpeedBeforeNitro = fresh.SpeedBeforeNitro;
    state.PlayerX = fresh.PlayerX;
    state.PlayerY = fresh.PlayerY;
    state.PlayerZ = fresh.PlayerZ;
    state.ScreenWidth = fresh.ScreenWidth;
    state.ScreenHeight = fresh.ScreenHeight;
    state.RoadLeft = fresh.RoadLeft;
    state.LaneWidth = fresh.LaneWidth;
    state.BottomMargin = fresh.BottomMargin;
    state.StartBlink = fresh.StartBlink;
    state.BlinkTicks = fresh.BlinkTicks;
    state.RivalStartY = fresh.RivalStartY;
    state.Hud.clear();
}
