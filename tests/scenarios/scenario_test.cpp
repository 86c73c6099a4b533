// Whole paths through the game the way a player takes them: vandrax-sim runs the game with a
// script on a virtual clock, and the tests read the state it writes.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "app/settings_file.h"
#include "app/text_codec.h"
#include "sim_run.h"
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class Scenario : public ::testing::Test {
protected:
    // Runs the simulator until `untilMs` with the script's lines and returns the state it wrote.
    json Run(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        return folder.Run(script, untilMs, "--seed 5 " + extra);
    }

    // One run of the script and its states at each of `moments` (SimFolder::RunAt).
    std::vector<json> RunAt(const std::string& script, const std::vector<uint64_t>& moments) {
        return folder.RunAt(script, moments, "--seed 5");
    }

    scenario::SimFolder folder{"scenario"};
    const fs::path& home = folder.Home();
};

TEST_F(Scenario, SplashGivesWayToTheMainMenuAfterFourSeconds) {
    const std::vector<json> states = RunAt("", {3990, 4100});
    const json& before = states[0];
    EXPECT_EQ(before["ScreenState"], 1);
    EXPECT_TRUE(before["timers"]["Timer1"]);
    const json& after = states[1];
    EXPECT_EQ(after["ScreenState"], 2);
    EXPECT_FALSE(after["timers"]["Timer1"]);
    EXPECT_EQ(after["errors"].size(), 0u) << after["errors"];
    EXPECT_EQ(after["caption"], "Vandrax");
    EXPECT_EQ(after["pointer"], "arrow");
    // The main menu: six items, the publisher logo and the tiled background.
    EXPECT_EQ(after["sprites"]["TImageSprite"], 7);
    EXPECT_EQ(after["sprites"]["TBackgroundSprite"], 1);
}

TEST_F(Scenario, KeysAndClicksEndTheSplashAtOnce) {
    struct Case {
        const char* script;
        int state;
        bool fullScreen;
        uint64_t later = 0;  // a later moment to look at too
    };
    const Case cases[] = {
        {"500 key-down Escape\n", 2, false, 4500},
        {"500 key-down Return\n", 2, false},
        {"400 mouse-move 300 300\n500 mouse-down left\n", 2, false},
        {"500 mouse-down right\n", 1, false},
        {"500 key-down Return alt\n", 1, true},  // Enter with Alt only switches the display
        {"500 key-down Space\n", 1, false},
    };
    for (const Case& c : cases) {
        const std::vector<json> states = RunAt(
            c.script, c.later != 0 ? std::vector<uint64_t>{1000, c.later} : std::vector<uint64_t>{1000});
        const json& state = states[0];
        EXPECT_EQ(state["ScreenState"], c.state) << c.script;
        EXPECT_EQ(state["GameFullScreen"], c.fullScreen) << c.script;
        // Left early, the splash's timer is stopped with it.
        EXPECT_EQ(state["timers"]["Timer1"], c.state == 1) << c.script;
        if (c.later == 0) continue;
        // Nothing fires later on the main menu.
        const json& later = states[1];
        EXPECT_EQ(later["ScreenState"], 2);
        EXPECT_EQ(later["errors"].size(), 0u) << later["errors"];
    }
}

TEST_F(Scenario, AltEnterSwitchesTheDisplayOnEveryScreenAndReloadsTheSoundPack) {
    json splash = Run("500 key-down Return alt\n", 1000);
    EXPECT_TRUE(splash["GameFullScreen"]);
    EXPECT_TRUE(splash["fullScreenWindow"]);
    EXPECT_EQ(splash["soundPackLoads"], 2);  // start-up, then the switch

    json menu = Run("4500 key-down Return alt\n4600 key-down Return alt\n4700 key-down Return alt\n", 5000);
    EXPECT_EQ(menu["ScreenState"], 2);
    EXPECT_TRUE(menu["GameFullScreen"]);
    EXPECT_EQ(menu["soundPackLoads"], 4);
    EXPECT_EQ(menu["errors"].size(), 0u) << menu["errors"];

    // Twice: back in the window.
    json twice = Run("500 key-down Return alt\n600 key-down Return alt\n", 1000);
    EXPECT_FALSE(twice["GameFullScreen"]);
    EXPECT_FALSE(twice["fullScreenWindow"]);
    // The overlay screen reached by the close button takes it too.
    json overlay = Run("4500 close\n4600 key-down Return alt\n", 5000);
    EXPECT_TRUE(overlay["GameMainExit"]);
    EXPECT_TRUE(overlay["GameFullScreen"]);
}

TEST_F(Scenario, MaximisingTheWindowSwitchesToFullScreenAtTheNextFrame) {
    json state = Run("500 maximize\n", 600);
    EXPECT_TRUE(state["GameFullScreen"]);
}

TEST_F(Scenario, LosingFocusFreezesFramesButTimersKeepRunning) {
    const std::vector<json> states = RunAt("1000 focus-lost\n", {1000, 4500});
    const json& atLoss = states[0];
    const json& paused = states[1];
    EXPECT_EQ(paused["caption"], "Vandrax [Pause]");
    EXPECT_EQ(paused["frames"], atLoss["frames"]);  // not one frame while inactive
    EXPECT_EQ(paused["ScreenState"], 2);            // the splash timer fired meanwhile
    EXPECT_FALSE(paused["timers"]["frameTimer"]);

    json back = Run("1000 focus-lost\n4500 focus-gained\n", 5500);
    EXPECT_EQ(back["caption"], "Vandrax");
    EXPECT_GT(back["frames"].get<int>(), paused["frames"].get<int>() + 50);
}

TEST_F(Scenario, TheCloseButtonOpensTheQuitOverlayOnlyOnTheMainMenu) {
    json splash = Run("500 close\n", 1000);
    EXPECT_EQ(splash["ScreenState"], 1);
    EXPECT_EQ(splash["pointer"], "none");
    EXPECT_FALSE(splash["GameMainExit"]);
    EXPECT_EQ(splash["soundsPlayed"].size(), 0u);

    json menu = Run("4500 close\n4700 close\n", 5000);
    EXPECT_TRUE(menu["GameMainExit"]);
    EXPECT_EQ(menu["caption"], "Vandrax [Pause]");
    EXPECT_EQ(menu["pointer"], "hand");
    EXPECT_EQ(menu["soundsPlayed"], json::array({"pause", "button_down"}));  // once, not twice
    EXPECT_EQ(menu["sprites"]["TMainExit"], 1);
    EXPECT_EQ(menu["sprites"]["TMainExit_Word"], 1);
    EXPECT_FALSE(menu["exited"]);
}

// The settings file is made the first time a setting changes, and written only when what it
// holds changes: a start, or a visit to the options, that changes nothing leaves it alone.
TEST_F(Scenario, TheSettingsFileIsWrittenOnlyWhenASettingChanges) {
    json state = Run("", 500);
    EXPECT_FALSE(state["GameFullScreen"]);
    EXPECT_TRUE(state["GameMusic"]);
    EXPECT_TRUE(state["GameSound"]);
    EXPECT_EQ(state["Clan"], 1);
    EXPECT_EQ(state["highScores"][0]["score"], 3000);
    EXPECT_FALSE(fs::exists(home / "Config.cfg")) << "a first start changes nothing";
    const std::string options = "300 key-down Escape\n400 mouse-move 600 210\n450 mouse-down left\n";
    Run(options + "700 key-down Escape\n", 800);
    EXPECT_FALSE(fs::exists(home / "Config.cfg")) << "the options seen, none changed";

    Run(options + "600 mouse-move 230 300\n650 mouse-down left\n700 key-down Escape\n", 800);  // MUSIC OFF
    ConfigValues values;
    ConfigReadResult result;
    ASSERT_TRUE(ReadConfigFile(home / "Config.cfg", values, result));
    EXPECT_TRUE(result.whole);
    EXPECT_FALSE(values.music);
    EXPECT_EQ(values.highScores[9].Score, 100);
    // An hour old: a rewrite, even of the same bytes, would show in its time.
    const auto written = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(home / "Config.cfg", written);
    for (const std::string& script : {std::string(), options + "700 key-down Escape\n"}) {
        Run(script, 800);
        EXPECT_EQ(fs::last_write_time(home / "Config.cfg"), written) << script;
    }
}

TEST_F(Scenario, APreparedSettingsFileIsReadAtStartAndWrittenBack) {
    ConfigValues values;
    values.fullScreen = true;
    values.music = false;
    values.sound = true;
    values.country = "Iceland";
    values.name = "Rex";
    InsertHighScore(values.highScores, "Vera", 2600);
    fs::create_directories(home);
    const std::string written = FormatConfig(values);
    std::ofstream(home / "Config.cfg", std::ios::binary) << written;

    json state = Run("", 500);
    EXPECT_TRUE(state["GameFullScreen"]);
    EXPECT_FALSE(state["GameMusic"]);
    EXPECT_EQ(state["music"], nullptr);             // music off: no module is ever loaded
    EXPECT_EQ(state["CountryName"], "Iceland%%%");  // the filling stays after the save at start-up
    EXPECT_EQ(state["PlayerName"], "Rex%%");
    EXPECT_EQ(state["highScores"][1]["name"], "Vera");
    EXPECT_EQ(state["highScores"][2]["score"], 2500);
    // Rewritten at start-up from what was read: the same text comes back.
    std::ifstream in(home / "Config.cfg", std::ios::binary);
    std::stringstream again;
    again << in.rdbuf();
    EXPECT_EQ(again.str(), written);
}

TEST_F(Scenario, TheMenuModulePlaysAfterStartUpAndStartsOverWhenItEnds) {
    // The menu module runs a minute and a half through its orders, then begins again. The
    // player nudges the pointer now and then, or the demo would take over after a minute.
    const std::string present = "40000 mouse-move 300 300\n80000 mouse-move 310 300\n";
    const std::vector<json> states = RunAt(present, {1000, 88000, 95000});
    const json& state = states[0];
    EXPECT_EQ(state["music"], "Menu");
    EXPECT_EQ(state["musicOrder"], 0);
    const json& late = states[1];
    EXPECT_GT(late["musicOrder"].get<int>(), 5);
    const json& again = states[2];
    EXPECT_EQ(again["music"], "Menu");
    EXPECT_EQ(again["musicOrder"], 0);
    EXPECT_EQ(again["errors"].size(), 0u) << again["errors"];
}

}  // namespace
