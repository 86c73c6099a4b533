#pragma once
// The screen states and music tracks. Their numbers are the game's own: the state JSON of the
// simulator, the tests and the settings of the screens all use them.

#include <cstdint>

enum class Screen : uint8_t {
    None = 0,  // only while the main window is being created
    Splash = 1,
    MainMenu = 2,
    ClanChoice = 3,
    Game = 4,
    Help = 5,
    Options = 6,
    HighScores = 7,
    Unused = 8,  // no transition leads here
    Promotion = 9,
    GameOver = 10,
};
constexpr int kScreenCount = 11;

enum class MusicTrack : int32_t { Menu = 1, Game = 2, GameOver = 3 };
