#pragma once
// The local table of the ten best results: the data side (built-in table, qualifying test,
// insertion). The table is stored in Config.cfg by settings_file.h.

#include <array>
#include <cstdint>
#include <string>

// One row of the table.
struct TLocal_HighScores {
    std::string Name;
    int32_t Score;
    bool operator==(const TLocal_HighScores&) const = default;
};

// Row 0 (shown as rank 1) first, kept in descending order of Score by InsertHighScore.
using THighScoreTable = std::array<TLocal_HighScores, 10>;

// The built-in table: every name "Anonymous", scores 3000, 2500, 2000, 1500, 1000, 500 ... 100.
const THighScoreTable& DefaultHighScores();

// A score enters the table when it is greater than the last row's score (equal is not enough).
bool ScoreQualifies(const THighScoreTable& table, int32_t score);

// Puts the row at position k = the number of rows among the first nine whose score is greater,
// and moves rows k..8 down by one, so only the last row drops off. A score that does not qualify
// leaves the table as it is.
void InsertHighScore(THighScoreTable& table, const std::string& name, int32_t score);
