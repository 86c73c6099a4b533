#include "app/high_scores.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

std::vector<int32_t> Scores(const THighScoreTable& table) {
    std::vector<int32_t> scores;
    for (const auto& row : table) scores.push_back(row.Score);
    return scores;
}

TEST(HighScores, BuiltInTable) {
    const auto& table = DefaultHighScores();
    EXPECT_EQ(Scores(table), (std::vector<int32_t>{3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200, 100}));
    for (const auto& row : table) EXPECT_EQ(row.Name, "Anonymous");
}

TEST(HighScores, QualifyingNeedsMoreThanTheLastRow) {
    const auto& table = DefaultHighScores();
    EXPECT_FALSE(ScoreQualifies(table, 99));
    EXPECT_FALSE(ScoreQualifies(table, 100));
    EXPECT_TRUE(ScoreQualifies(table, 101));
    EXPECT_TRUE(ScoreQualifies(table, 100000));
}

struct InsertCase {
    int32_t score;
    int newRow;
    std::vector<int32_t> expected;
};

void PrintTo(const InsertCase& c, std::ostream* out) {
    *out << "score " << c.score;
}

class HighScoreInsert : public testing::TestWithParam<InsertCase> {};

TEST_P(HighScoreInsert, NewRowGoesInAndOnlyTheLastRowDropsOff) {
    const InsertCase& c = GetParam();
    THighScoreTable table = DefaultHighScores();
    InsertHighScore(table, "Ivan", c.score);
    EXPECT_EQ(Scores(table), c.expected);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(table[i].Name, i == c.newRow ? "Ivan" : "Anonymous") << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(
    DefaultTable, HighScoreInsert,
    testing::Values(InsertCase{2600, 1, {3000, 2600, 2500, 2000, 1500, 1000, 500, 400, 300, 200}},
                    InsertCase{100000, 0, {100000, 3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200}},
                    InsertCase{150, 9, {3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200, 150}},
                    // An equal score goes above the row it equals.
                    InsertCase{2500, 1, {3000, 2500, 2500, 2000, 1500, 1000, 500, 400, 300, 200}},
                    InsertCase{101, 9, {3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200, 101}},
                    // Not qualifying: the table stays as it is.
                    InsertCase{100, -1, {3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200, 100}},
                    InsertCase{-5, -1, {3000, 2500, 2000, 1500, 1000, 500, 400, 300, 200, 100}}),
    [](const testing::TestParamInfo<InsertCase>& tested) {
        const int32_t score = tested.param.score;
        return (score < 0 ? "Minus" : "Score") + std::to_string(score < 0 ? -score : score);
    });

TEST(HighScores, RepeatedInsertsKeepEveryGoodScore) {
    THighScoreTable table = DefaultHighScores();
    InsertHighScore(table, "A", 2600);
    InsertHighScore(table, "B", 2700);
    InsertHighScore(table, "C", 2650);
    EXPECT_EQ(Scores(table),
              (std::vector<int32_t>{3000, 2700, 2650, 2600, 2500, 2000, 1500, 1000, 500, 400}));
    EXPECT_EQ(table[1].Name, "B");
    EXPECT_EQ(table[2].Name, "C");
    EXPECT_EQ(table[3].Name, "A");
}

}  // namespace
