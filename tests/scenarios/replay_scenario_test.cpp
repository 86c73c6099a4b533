// The player's games kept as replays, through vandrax-sim the way a player meets them: a game
// played to its game over is kept under the home folder, the name entry ties it to its row, the
// high-score table marks the row and watches the game from it, and a kept game plays back to the
// end it had.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim_run.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The table from the main menu, and its mark of row `row` (the marks stand right of the rows).
const char* const kHighScores = "300 key-down Escape\n400 mouse-move 600 280\n450 mouse-down left\n";
std::string MarkOf(int row) {
    return std::to_string(470) + " " + std::to_string(198 + 30 * row + 14);
}

// A game of clan 1 (--play) whose score is set, then left by the quit overlay: the game over.
std::string LeaveGameWithScore(int score) {
    return "2500 set Score " + std::to_string(score) +
           "\n2600 key-down Escape\n2700 mouse-move 300 360\n2800 mouse-down left\n";
}
// After that game over, a name typed and Enter: the row goes into the table.
const char* const kEnterRex = "8300 char Rex\n8400 key-down Return\n";

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int Row(const json& state, const std::string& name) {
    for (size_t i = 0; i < state["highScores"].size(); ++i)
        if (state["highScores"][i]["name"] == name) return static_cast<int>(i);
    return -1;
}

// vandrax-sim --replay FILE --check: its exit status and the end it printed.
struct Checked {
    int status = -1;
    json end;
};
Checked CheckReplay(const fs::path& file) {
    const std::string command = std::string(VANDRAX_SIM) + " --data " + VANDRAX_DATA + " --replay " +
                                file.string() + " --check 2>/dev/null";
    Checked checked;
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr) return checked;
    std::string text;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, out) != nullptr) text += buffer;
    const int status = pclose(out);
    checked.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    checked.end = json::parse(text, nullptr, false);
    return checked;
}

// One game the autopilot plays to its game over, with the name it enters, shared by the tests
// that need a real game kept: played once, its replay folder copied into each test's home.
class ReplayScenario : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        played_ = std::make_unique<scenario::SimFolder>("replays-played");
        // The autopilot's game over comes at 110.8 s; by 116 s its name is in the table and a new
        // game is under way, which the end of the run keeps too.
        playedState_ = played_->Run("", 116000, "--seed 1 --play 1 --autopilot");
    }
    static void TearDownTestSuite() { played_.reset(); }

    void CopyPlayed() {
        fs::create_directories(folder.Home());
        fs::copy(played_->Home(), folder.Home(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    fs::path Replays() const { return folder.Home() / "replays"; }

    json Run(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        return folder.Run(script, untilMs, "--seed 3 " + extra);
    }

    static std::unique_ptr<scenario::SimFolder> played_;
    static json playedState_;
    scenario::SimFolder folder{"replays"};
};

std::unique_ptr<scenario::SimFolder> ReplayScenario::played_;
json ReplayScenario::playedState_;

TEST_F(ReplayScenario, AGamePlayedToItsGameOverIsKeptWithItsRowAndPlaysBackToTheSameEnd) {
    const json& state = playedState_;
    ASSERT_EQ(state["errors"].size(), 0u) << state["errors"];
    const int row = Row(state, "Autopilot");
    ASSERT_GE(row, 0) << state["highScores"];
    const int score = state["highScores"][row]["score"];
    const std::string tied = state["tableReplays"][row];
    EXPECT_EQ(tied.substr(0, 12), "game-000001-");
    EXPECT_TRUE(EndsWith(tied, ".table-" + std::to_string(score) + "-Autopilot.vxr")) << tied;
    for (size_t i = 0; i < state["tableReplays"].size(); ++i)
        EXPECT_EQ(state["tableReplays"][i] == "", static_cast<int>(i) != row) << i;

    // The game the autopilot had begun when the run ended is kept beside it, as one of the last.
    const std::vector<std::string> files = Names(played_->Home() / "replays");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], tied);
    EXPECT_EQ(files[1].substr(0, 12), "game-000002-");
    EXPECT_EQ(files[1].find(".table-"), std::string::npos);

    const Checked over = CheckReplay(played_->Home() / "replays" / files[0]);
    EXPECT_EQ(over.status, 0);
    EXPECT_EQ(over.end["score"], score);
    EXPECT_EQ(over.end["lives"], 0);
    EXPECT_EQ(over.end["clan"], 1);
    EXPECT_EQ(over.end["ended"], true);
    const Checked cut = CheckReplay(played_->Home() / "replays" / files[1]);
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.end["ended"], false);
    EXPECT_GT(cut.end["frames"], 0);
}

TEST_F(ReplayScenario, TheNameEntryTiesTheGameAndClearingTheTableUntiesIt) {
    const json entered = Run(LeaveGameWithScore(2600) + kEnterRex, 8600, "--play 1");
    EXPECT_EQ(entered["ScreenState"], 7);
    ASSERT_EQ(entered["highScores"][1]["name"], "Rex");
    const std::string tied = entered["tableReplays"][1];
    EXPECT_TRUE(EndsWith(tied, ".table-2600-Rex.vxr")) << tied;
    EXPECT_EQ(Names(Replays()), std::vector<std::string>{tied});

    // A game left with a score too low for the table is kept, tied to nothing.
    const json low = Run(LeaveGameWithScore(50), 3000, "--play 1");
    EXPECT_EQ(low["ScreenState"], 2);
    const std::vector<std::string> both = Names(Replays());
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], tied);
    EXPECT_EQ(both[1].substr(0, 12), "game-000002-");
    EXPECT_EQ(both[1].find(".table-"), std::string::npos);

    // The table cleared: the row is gone and its game, one of the last, stays untied.
    const json cleared =
        Run(std::string(kHighScores) +
                "500 mouse-move 100 540\n550 mouse-down left\n700 mouse-move 300 360\n750 mouse-down left\n",
            1000);
    EXPECT_EQ(cleared["highScores"][1]["name"], "Anonymous");
    for (const json& file : cleared["tableReplays"]) EXPECT_EQ(file, "");
    const std::vector<std::string> untied = Names(Replays());
    ASSERT_EQ(untied.size(), 2u);
    EXPECT_EQ(untied[0], tied.substr(0, tied.find(".table-")) + ".vxr");
    EXPECT_EQ(cleared["errors"].size(), 0u) << cleared["errors"];
}

TEST_F(ReplayScenario, TheTableMarksTheRowAndWatchesItsGameThenComesBack) {
    CopyPlayed();
    const int row = Row(playedState_, "Autopilot");
    ASSERT_GE(row, 0);
    const std::string click = std::string(kHighScores) + "600 mouse-move " + MarkOf(row) + "\n";
    const std::vector<json> states =
        folder.RunAt(click + "700 mouse-down left\n3000 key-down Escape\n", {650, 2000, 3100}, "--seed 3");
    const json& hover = states[0];
    EXPECT_EQ(hover["ScreenState"], 7);
    EXPECT_EQ(hover["tableReplays"][row], playedState_["tableReplays"][row]);
    EXPECT_EQ(hover["sprites"].value("HighScore_Replay", 0), 1);  // its highlight under the pointer
    EXPECT_EQ(hover["pointer"], "hand");
    const json& watching = states[1];
    EXPECT_EQ(watching["ScreenState"], 4);
    EXPECT_TRUE(watching["watching"]);
    EXPECT_EQ(watching["caption"], "Vandrax [Replay]");
    const json& back = states[2];
    EXPECT_EQ(back["ScreenState"], 7);
    EXPECT_FALSE(back["watching"]);
    EXPECT_EQ(back["highScores"], hover["highScores"]);
    EXPECT_EQ(back["errors"].size(), 0u) << back["errors"];

    // Watched to its end: the game over is nobody's, the table shows again.
    const json end = Run(click + "700 mouse-down left\n", 700 + 111000);
    EXPECT_EQ(end["ScreenState"], 7);
    EXPECT_FALSE(end["watching"]);
    EXPECT_EQ(end["GameEnterName"], false);
    EXPECT_EQ(end["highScores"], hover["highScores"]);
    // Watching keeps nothing: the folder holds the two games it held.
    EXPECT_EQ(Names(Replays()), Names(played_->Home() / "replays"));
}

TEST_F(ReplayScenario, TheKeysLightTheMarkAndEnterWatchesIt) {
    CopyPlayed();
    // Nothing lit: Up lights the last item, the mark (the buttons come first, below the marks).
    const std::vector<json> states = folder.RunAt(
        std::string(kHighScores) + "600 key-down Up\n700 key-down Return\n", {650, 900}, "--seed 3");
    EXPECT_EQ(states[0]["sprites"].value("HighScore_Replay", 0), 1);
    EXPECT_EQ(states[1]["ScreenState"], 4);
    EXPECT_TRUE(states[1]["watching"]);
    // Without a kept game the buttons light as they always have: Up lights View, Enter opens it.
    fs::remove_all(Replays());
    const json view = Run(std::string(kHighScores) + "600 key-down Up\n700 key-down Return\n", 900);
    EXPECT_EQ(view["ScreenState"], 7);
    EXPECT_EQ(view["linksOpened"].size(), 1u);
}

TEST_F(ReplayScenario, AReplayFolderThatCannotBeWrittenIsToldOnceAndTheGamesGoOn) {
    fs::create_directories(folder.Home());
    std::ofstream(Replays()) << "a file where the replays should be";
    // Two games in one run, each left by the quit overlay (once its level banner has gone) with a
    // score too low for the table.
    const std::string twoGames = LeaveGameWithScore(50) +
                                 "3300 mouse-move 600 140\n3350 mouse-down left\n"  // START GAME
                                 "3600 mouse-move 145 300\n3650 mouse-down left\n"  // the Bulldogs
                                 "6300 key-down Escape\n6400 mouse-move 300 360\n6500 mouse-down left\n";
    const json state = Run(twoGames, 7000, "--play 1");
    EXPECT_EQ(state["ScreenState"], 2);
    EXPECT_EQ(state["gamesStarted"], 2);
    ASSERT_EQ(state["errors"].size(), 1u) << state["errors"];
    const std::string message = state["errors"][0];
    EXPECT_NE(message.find((Replays() / "game-000001-").string()), std::string::npos) << message;
    EXPECT_EQ(state["messages"].size(), 1u);
    std::ifstream err(folder.Dir() / "stderr.txt");
    int lines = 0;
    for (std::string line; std::getline(err, line);)
        lines += line.find("Cannot write '" + Replays().string()) != std::string::npos;
    EXPECT_EQ(lines, 2) << "each game tried, the second on stderr only";
    EXPECT_EQ(scenario::ReadWhole(Replays()), "a file where the replays should be");
}

}  // namespace
