#pragma once
// The state the main window, the screens and the road objects share: the window's fields and
// flags, and the game's score, lives, speed and flags, read and written by name.

#include <cstdint>
#include <string>

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

    // ---- shared game state read by the screens and the road
    int32_t Clan = 1;
    bool GameOverPending = false;
    bool Paused = false;
    bool Driving = false;
    bool BackFromGame = false;
    int32_t Lives = 0;
    int32_t Health = 0;
    double Speed = 0;
    double Distance = 0;
    double LevelLength = 0;
    int32_t MouseX = 0;
    int32_t MouseY = 0;
    int32_t PromoCountdown = 0;

    THighScoreTable HighScores = DefaultHighScores();
};
