#include "app/high_scores.h"

#include <algorithm>

const THighScoreTable& DefaultHighScores() {
    static const THighScoreTable kDefault = {{
        {"Anonymous", 3000},
        {"Anonymous", 2500},
        {"Anonymous", 2000},
        {"Anonymous", 1500},
        {"Anonymous", 1000},
        {"Anonymous", 500},
        {"Anonymous", 400},
        {"Anonymous", 300},
        {"Anonymous", 200},
        {"Anonymous", 100},
    }};
    return kDefault;
}

bool ScoreQualifies(const THighScoreTable& table, int32_t score) {
    return score > table.back().Score;
}

void InsertHighScore(THighScoreTable& table, const std::string& name, int32_t score) {
    // Only a qualifying score may go in: overwriting the last row with a lower one would break the
    // table's order, and nothing re-sorts it.
    if (!ScoreQualifies(table, score)) return;
    const auto firstNine = table.begin() + 9;
    const auto position = table.begin() + std::count_if(table.begin(), firstNine, [score](const auto& row) {
                              return row.Score > score;
                          });
    // The rows below move down one, so no good score is lost; only the last row drops off.
    std::move_backward(position, firstNine, table.end());
    *position = TLocal_HighScores{name, score};
}
