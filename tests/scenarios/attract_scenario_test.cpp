// The attract mode as a player meets it: a minute on the main menu without touching anything
// brings a demo game driven by the autopilot; any input brings the main menu back as it was, and
// the demo leaves no trace in the high-score table, the settings file or on the score server.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "app/settings_file.h"
#include "sim_run.h"
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Start-up, then the main menu with the pointer resting on "OPTIONS" from 400 ms on: the demo
// is due a minute later.
const char* const kIdleOnOptions = "300 key-down Escape\n400 mouse-move 600 210\n";
constexpr uint64_t kDemoDue = 400 + 60000;

class AttractScenario : public ::testing::Test {
protected:
    void SetUp() override {
        // A settings file of a player who has played before.
        ConfigValues values;
        values.country = "Iceland";
        values.name = "Rex";
        InsertHighScore(values.highScores, "Vera", 2600);
        fs::create_directories(home);
        settings = FormatConfig(values);
        std::ofstream(home / "Config.cfg", std::ios::binary) << settings;
    }

    json Run(const std::string& script, uint64_t untilMs) { return folder.Run(script, untilMs, "--seed 3"); }

    // One run of the script and its states at each of `moments` (SimFolder::RunAt).
    std::vector<json> RunAt(const std::string& script, const std::vector<uint64_t>& moments) {
        return folder.RunAt(script, moments, "--seed 3");
    }

    std::string SettingsFile() const {
        std::ifstream in(home / "Config.cfg", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The main menu exactly as the player left it before the demo.
    void ExpectMenuAsItWas(const json& state, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(state["ScreenState"], 2);
        EXPECT_FALSE(state["Demo"]);
        EXPECT_EQ(state["attractRuns"], 1);
        EXPECT_EQ(state["Clan"], 1);
        EXPECT_EQ(state["music"], "Menu");
        EXPECT_EQ(state["pointer"], "hand") << "over an item, as before";
        EXPECT_EQ(state["sprites"].value("Options", 0), 1) << "the item under the pointer is lit again";
        EXPECT_EQ(state["sprites"].value("TCarSprite", 0), 0);
        EXPECT_EQ(state["CountryName"], "Iceland%%%");
        EXPECT_EQ(state["highScores"][1]["name"], "Vera");
        EXPECT_TRUE(state["httpRequests"].empty());
        EXPECT_TRUE(state["errors"].empty());
        EXPECT_EQ(SettingsFile(), settings) << "the settings file is byte for byte what it was";
    }

    scenario::SimFolder folder{"attract"};
    const fs::path& home = folder.Home();
    std::string settings;
};

TEST_F(AttractScenario, AMinuteIdleOnTheMainMenuStartsADemoGameWithTheGameMusic) {
    const std::vector<json> states = RunAt(kIdleOnOptions, {kDemoDue - 50, kDemoDue + 15000});
    const json& before = states[0];
    EXPECT_EQ(before["ScreenState"], 2);
    EXPECT_EQ(before["attractRuns"], 0);

    const json& demo = states[1];
    EXPECT_EQ(demo["ScreenState"], 4);
    EXPECT_TRUE(demo["Demo"]);
    EXPECT_EQ(demo["attractRuns"], 1);
    EXPECT_EQ(demo["gamesStarted"], 0) << "a demo is nobody's game";
    EXPECT_EQ(demo["music"], "Main");
    EXPECT_EQ(demo["pointer"], "none");
    // The autopilot has the car past the truck and on its way.
    EXPECT_TRUE(demo["Driving"]);
    EXPECT_GT(demo["Distance"], 1000);
    EXPECT_GT(demo["Speed"], 0);
}

TEST_F(AttractScenario, EveryKindOfInputEndsTheDemoAndTheMenuIsBackAsItWas) {
    struct Case {
        const char* input;
        bool pointerMoved;
    };
    const Case cases[] = {
        {"key-down Up", false},
        {"key-down Return", false},
        {"key-up Up", false},
        {"char a", false},
        {"mouse-move 605 215", true},
        {"mouse-down left", false},
        {"mouse-down right", false},
        {"mouse-up left", false},
        // The gamepad: a button, and the stick pushed and let go between two frames (held, it
        // would go on to move the pointer on the menu).
        {"pad-down south", false},
        {"pad-down start", false},
        {"pad-axis 0 30000\n75006 pad-axis 0 0", false},
    };
    for (const Case& c : cases) {
        const std::string script = std::string(kIdleOnOptions) + "75005 " + c.input + "\n";
        const json state = Run(script, 75500);
        ExpectMenuAsItWas(state, c.input);
        // A key or a click only ends the demo; it is not taken as a choice on the menu.
        EXPECT_EQ(state["MouseX"], c.pointerMoved ? 605 : 600) << c.input;
        EXPECT_EQ(state["MouseY"], c.pointerMoved ? 215 : 210) << c.input;
    }
}

TEST_F(AttractScenario, TheCloseButtonDuringADemoAsksOnTheMainMenu) {
    const json state = Run(std::string(kIdleOnOptions) + "75005 close\n", 75500);
    EXPECT_EQ(state["ScreenState"], 2);
    EXPECT_FALSE(state["Demo"]);
    EXPECT_TRUE(state["GameMainExit"]);
    EXPECT_EQ(state["sprites"].value("TMainExit", 0), 1);
    EXPECT_EQ(state["music"], "Menu");
    EXPECT_EQ(SettingsFile(), settings);
}

TEST_F(AttractScenario, TheDemosGameOverLeadsBackToTheMenuAndKeepsNothing) {
    // A score for the top of the table, then the last car driven into a police post.
    const std::string script = std::string(kIdleOnOptions) +
                               "75000 set Score 99999\n"
                               "75000 set Lives 1\n"
                               "75000 spawn TPoliceState 400 330\n";
    const json state = Run(script, 78000);
    ExpectMenuAsItWas(state, "game over");
    EXPECT_EQ(state["highScores"][0]["score"], 3000);
    EXPECT_NE(state["highScores"][0]["name"], "Rex");
}

TEST_F(AttractScenario, TheDemoGivesWayToTheMenuAfterTwoMinutesAndTheClansTakeTurns) {
    const json back = Run(kIdleOnOptions, kDemoDue + 120000 + 500);
    ExpectMenuAsItWas(back, "after two minutes");
    const json next = Run(kIdleOnOptions, kDemoDue + 120000 + 60000 + 5000);
    EXPECT_TRUE(next["Demo"]);
    EXPECT_EQ(next["attractRuns"], 2);
    EXPECT_EQ(next["Clan"], 2);
}

TEST_F(AttractScenario, NoDemoWhileTheQuitQuestionIsOpenOrAfterInput) {
    // The quit overlay stays up; the menu stays.
    const json asking = Run("300 key-down Escape\n350 key-down Escape\n400 mouse-move 450 500\n", 70000);
    EXPECT_EQ(asking["ScreenState"], 2);
    EXPECT_TRUE(asking["GameMainExit"]);
    EXPECT_EQ(asking["attractRuns"], 0);
    // A pointer move half a minute in starts the minute over.
    const std::vector<json> moved =
        RunAt(std::string(kIdleOnOptions) + "30000 mouse-move 610 210\n", {89000, 91000});
    EXPECT_EQ(moved[0]["attractRuns"], 0);
    EXPECT_EQ(moved[1]["attractRuns"], 1);
}

// Whatever ends it, a demo never writes the settings file. Where the settings folder cannot be
// made, every attempt to write leaves its "Cannot write" line (the first as the game's error
// report, the rest on stderr). Music switched off on the options screen leaves the settings
// unwritten, so any later save would try again: a demo's run has exactly the lines of a run that
// stops before it.
TEST_F(AttractScenario, NoDemoWritesTheSettingsFile) {
    std::ofstream(folder.Dir() / "blocked") << "a file where the settings folder should be";
    folder.Home() = folder.Dir() / "blocked" / "vandrax";
    const std::string musicOff =
        "300 key-down Escape\n400 mouse-move 600 210\n450 mouse-down left\n"  // OPTIONS
        "700 mouse-move 230 300\n750 mouse-down left\n"                       // MUSIC OFF
        "800 key-down Escape\n900 mouse-move 600 210\n";                      // back, on OPTIONS
    constexpr uint64_t kDue = 900 + 60000;
    const auto attempts = [&](const json& state) {
        std::ifstream in(folder.Dir() / "stderr.txt");
        size_t lines = 0;
        for (std::string line; std::getline(in, line);)
            lines += line.find("Cannot write") != std::string::npos;
        EXPECT_EQ(state["errors"].size(), 1u) << "the first failure is told, once";
        return lines;
    };
    const size_t beforeTheDemo = attempts(Run(musicOff, kDue - 50));
    EXPECT_GE(beforeTheDemo, 1u) << "leaving the options screen tried to save";

    struct Ending {
        const char* what;
        std::string script;
        uint64_t untilMs;
    };
    const Ending endings[] = {
        {"a key", musicOff + "75005 key-down Up\n", 75500},
        {"the close button", musicOff + "75005 close\n", 75500},
        {"game over with a score for the table",
         musicOff + "75000 set Score 99999\n75000 set Lives 1\n75000 spawn TPoliceState 400 330\n", 78000},
        {"its two minutes", musicOff, kDue + 120000 + 500},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.what);
        const json state = Run(ending.script, ending.untilMs);
        EXPECT_EQ(state["attractRuns"], 1);
        EXPECT_FALSE(state["Demo"]);
        EXPECT_FALSE(state["GameMusic"]);
        EXPECT_EQ(attempts(state), beforeTheDemo);
    }
}

// A stick resting a little off centre (many pads do) is no player: its drift neither ends a demo
// nor keeps one from starting. A push past the dead zone of the pad's pointer does both.
TEST_F(AttractScenario, AStickAtRestIsNoPlayer) {
    struct Case {
        const char* axes;  // pad-axis lines' arguments
        bool push;
    };
    const Case cases[] = {
        {"0 1500", false},  {"1 -4200", false}, {"0 6500", false},  // just inside 20 % of full travel
        {"0 -6500", false}, {"0 7000", true},                       // just past it
        {"1 -30000", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axes);
        // During a demo: the stick drifts (or is pushed) and stays there.
        const json demo = Run(std::string(kIdleOnOptions) + "75005 pad-axis " + c.axes + "\n", 75500);
        EXPECT_EQ(demo["Demo"], !c.push);
        EXPECT_EQ(demo["ScreenState"], c.push ? 2 : 4);
        // On the main menu half a minute in, and back to rest later: the idle minute goes on
        // counting through drift, and starts over at a push.
        const json menu = Run(std::string(kIdleOnOptions) + "30000 pad-axis " + c.axes +
                                  "\n30100 pad-axis 0 0\n30100 pad-axis 1 0\n",
                              kDemoDue + 1000);
        EXPECT_EQ(menu["attractRuns"], c.push ? 0 : 1);
    }
}

}  // namespace
