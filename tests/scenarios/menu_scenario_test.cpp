// The menus the way a player meets them: vandrax-sim runs the game from start-up with a script of
// pointer moves, clicks, keys and typed characters, and the tests read the state it writes.

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

// Every screen as a player reaches it from start-up, done by 650 ms, the pointer then inside the
// screen's panel and away from every hot region.
const char* const kMainMenu = "300 key-down Escape\n400 mouse-move 300 300\n";
const char* const kClanChoice = "300 key-down Escape\n400 mouse-move 600 140\n450 mouse-down left\n";
const char* const kOptions = "300 key-down Escape\n400 mouse-move 600 210\n450 mouse-down left\n";
const char* const kHighScores = "300 key-down Escape\n400 mouse-move 600 280\n450 mouse-down left\n";
const char* const kHelp = "300 key-down Escape\n400 mouse-move 600 350\n450 mouse-down left\n";
const char* const kQuitOverlay = "300 key-down Escape\n350 key-down Escape\n400 mouse-move 450 500\n";
// The high-score screen with its clear question shown.
const std::string kClearQuestion =
    std::string(kHighScores) + "500 mouse-move 100 540\n550 mouse-down left\n600 mouse-move 300 460\n";

// A game of clan 1 (--play) whose score is set after the level banner, then the quit overlay's
// Yes: the game-over screen for a score good enough for the table, the main menu otherwise.
std::string LeaveGameWithScore(int score) {
    return "2500 set Score " + std::to_string(score) +
           "\n2600 key-down Escape\n2700 mouse-move 300 360\n2800 mouse-down left\n";
}

class MenuScenario : public ::testing::Test {
protected:
    // Runs the simulator from start-up until `untilMs` and returns the state it wrote.
    json Run(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        return folder.Run(script, untilMs, "--seed 3 " + extra);
    }

    // One run of the script and its states at each of `moments` (SimFolder::RunAt).
    std::vector<json> RunAt(const std::string& script, const std::vector<uint64_t>& moments,
                            const std::string& extra = "") {
        return folder.RunAt(script, moments, "--seed 3 " + extra);
    }

    static int Count(const json& state, const std::string& spriteClass) {
        return state["sprites"].value(spriteClass, 0);
    }

    static std::vector<std::string> Sounds(const json& state) {
        return state["soundsPlayed"].get<std::vector<std::string>>();
    }

    // Clicks that acted: the hover sounds left out.
    static int Clicks(const json& state) {
        int n = 0;
        for (const json& sound : state["soundsPlayed"]) n += sound == "button_down" ? 1 : 0;
        return n;
    }

    static bool Drew(const json& state, const std::string& text) {
        for (const json& t : state["hud"])
            if (t["text"] == text) return true;
        return false;
    }

    // The settings file as the next start reads it (full screen is told apart, as a switch).
    ConfigValues SavedSettings() {
        ConfigValues values;
        ConfigReadResult result;
        EXPECT_TRUE(ReadConfigFile(home / "Config.cfg", values, result));
        values.fullScreen = result.switchToFullScreen;
        return values;
    }

    scenario::SimFolder folder{"menus"};
    const fs::path& dir = folder.Dir();
    fs::path& home = folder.Home();
};

using Strings = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// Hot regions: highlight, pointer shape and the hover sound

TEST_F(MenuScenario, EachItemLightsAndSoundsWhenThePointerEntersAndGoesDarkWhenItLeaves) {
    struct Case {
        std::string screen;
        int x, y;
        const char* highlight;
        int away_x, away_y;  // inside the panel, on no region
    };
    const Case cases[] = {
        {kMainMenu, 600, 140, "Start_Game", 300, 300},
        {kMainMenu, 600, 210, "Options", 300, 300},
        {kMainMenu, 600, 280, "High_Score", 300, 300},
        {kMainMenu, 600, 350, "Help", 300, 300},
        {kMainMenu, 600, 420, "Visit_Web_Site", 300, 300},
        {kMainMenu, 600, 490, "Exit_", 300, 300},
        {kMainMenu, 650, 560, "fggActive", 300, 300},
        {kClanChoice, 250, 540, "HelpGame_Back", 300, 460},
        {kOptions, 250, 540, "HelpGame_Back", 300, 460},
        {kHelp, 100, 540, "HelpGame_Down", 300, 460},
        {kHelp, 250, 540, "HelpGame_Back", 300, 460},
        {kHelp, 400, 540, "HelpGame_Up", 300, 460},
        {kHighScores, 100, 540, "HighScore_Clear", 300, 460},
        {kHighScores, 250, 540, "HighScore_Back", 300, 460},
        {kHighScores, 400, 540, "HighScore_View", 300, 460},
        {kQuitOverlay, 300, 360, "TMainExit_Yes", 450, 500},
        {kQuitOverlay, 480, 360, "TMainExit_No", 450, 500},
        {kClearQuestion, 300, 360, "TMainExit_Yes", 300, 460},
        {kClearQuestion, 480, 360, "TMainExit_No", 300, 460},
    };
    for (const Case& c : cases) {
        const std::string where = std::to_string(c.x) + " " + std::to_string(c.y);
        const std::string inside = where + " (" + c.highlight + ")";
        const std::string away = std::to_string(c.away_x) + " " + std::to_string(c.away_y);
        const std::string enter = "700 mouse-move " + away + "\n800 mouse-move " + where + "\n" +
                                  "850 mouse-move " + std::to_string(c.x + 1) + " " +
                                  std::to_string(c.y + 1) + "\n";
        // Before (at 750, the pointer still away): the sounds of getting there.
        const std::vector<json> entering = RunAt(c.screen + enter, {750, 950});
        const size_t before = Sounds(entering[0]).size();
        const json& in = entering[1];
        EXPECT_EQ(Count(in, c.highlight), 1) << inside;
        EXPECT_EQ(in["pointer"], "hand") << inside;
        // Once, though the pointer moved twice inside.
        EXPECT_EQ(Sounds(in).size(), before + 1) << inside;
        EXPECT_EQ(Sounds(in).back(), "button_up") << inside;

        const json outAndBack = Run(c.screen + enter + "900 mouse-move " + away + "\n1000 mouse-move " +
                                        where + "\n1100 mouse-move " + away + "\n",
                                    1200);
        EXPECT_EQ(Count(outAndBack, c.highlight), 0) << inside;
        EXPECT_EQ(outAndBack["pointer"], "arrow") << inside;
        EXPECT_EQ(Sounds(outAndBack).size(), before + 2) << inside;
        EXPECT_EQ(outAndBack["errors"].size(), 0u) << inside << outAndBack["errors"];
    }
}

TEST_F(MenuScenario, TheFirstHoverAfterStartIsSilentAndTheOverlayHidesTheItems) {
    // Straight from the splash onto an item: the pointer has never been outside a region.
    const json first = Run("300 key-down Escape\n400 mouse-move 600 140\n", 500);
    EXPECT_EQ(Count(first, "Start_Game"), 1);
    EXPECT_EQ(Sounds(first), Strings{});
    // With the quit overlay shown the items neither light nor sound; the logo still does.
    const json overlay = Run(std::string(kQuitOverlay) + "700 mouse-move 600 140\n", 800);
    EXPECT_EQ(Count(overlay, "Start_Game"), 0);
    EXPECT_EQ(overlay["pointer"], "arrow");
    EXPECT_EQ(Sounds(overlay), Strings{"pause"});
    const json logo = Run(std::string(kQuitOverlay) + "700 mouse-move 650 560\n", 800);
    EXPECT_EQ(Count(logo, "fggActive"), 1);
}

TEST_F(MenuScenario, PointerShapesOverTheOptionsWordsAndTheTextFields) {
    struct Case {
        std::string script;
        const char* pointer;
        const char* what;
    };
    const Case cases[] = {
        {std::string(kOptions) + "700 mouse-move 200 265\n", "hand", "WINDOW"},
        {std::string(kOptions) + "700 mouse-move 350 265\n", "hand", "FULL SCREEN"},
        {std::string(kOptions) + "700 mouse-move 230 300\n", "hand", "MUSIC OFF"},
        {std::string(kOptions) + "700 mouse-move 180 325\n", "hand", "SOUND ON"},
        {std::string(kOptions) + "700 mouse-move 300 355\n", "ibeam", "country field"},
        {std::string(kOptions) + "700 mouse-move 300 420\n", "arrow", "nothing"},
        {std::string(kClanChoice) + "700 mouse-move 365 300\n", "hand", "Dragons picture"},
        {LeaveGameWithScore(5000) + "8500 mouse-move 400 325\n", "ibeam", "name field"},
        {LeaveGameWithScore(5000) + "8500 mouse-move 400 250\n", "arrow", "name panel"},
    };
    for (const Case& c : cases) {
        const bool game = c.script.find("set Score") != std::string::npos;
        const json state = Run(c.script, game ? 8600 : 800, game ? "--play 1" : "");
        EXPECT_EQ(state["pointer"], c.pointer) << c.what;
        EXPECT_EQ(Count(state, "HelpGame_Back"), 0) << c.what;  // no highlight but Back's
    }
}

// ---------------------------------------------------------------------------------------------
// Sub-screens: the pointer warp and leaving the panel

TEST_F(MenuScenario, OpeningASubScreenFromAnItemMovesThePointerIntoItsPanel) {
    struct Case {
        std::string script;
        int state;
        json warps;
        uint64_t later = 0;  // a later moment to look at too
    };
    const Case cases[] = {
        {kClanChoice, 3, json::array({json::array({145, 300})})},
        {kOptions, 6, json::array({json::array({255, 320})}), 1500},
        {kHighScores, 7, json::array({json::array({255, 320})})},
        {kHelp, 5, json::array({json::array({255, 320})})},
        // Enter on the main menu with the pointer on the left: it stays where it is.
        {"300 key-down Escape\n400 mouse-move 300 300\n450 key-down Return\n", 3, json::array()},
        // A page turn rebuilds the help screen with the pointer inside the panel.
        {std::string(kHelp) + "700 mouse-move 400 540\n750 mouse-down left\n", 5,
         json::array({json::array({255, 320})})},
    };
    for (const Case& c : cases) {
        const std::vector<json> states =
            RunAt(c.script, c.later != 0 ? std::vector<uint64_t>{900, c.later} : std::vector<uint64_t>{900});
        const json& state = states[0];
        EXPECT_EQ(state["ScreenState"], c.state) << c.script;
        EXPECT_EQ(state["pointerWarps"], c.warps) << c.script;
        if (c.later == 0) continue;
        // The warp keeps the new screen open: the moved pointer is inside its panel.
        const json& later = states[1];
        EXPECT_EQ(later["ScreenState"], 6);
        EXPECT_EQ(later["MouseX"], 255);
        EXPECT_EQ(later["MouseY"], 320);
    }
}

TEST_F(MenuScenario, ThePointerLeavingASubScreensPanelIsBackOnTheMainMenu) {
    struct Edge {
        int x, y;
    };
    const Edge edges[] = {{17, 300}, {492, 300}, {300, 116}, {300, 574}};
    const std::string screens[] = {kClanChoice, kOptions, kHighScores, kHelp};
    for (const std::string& screen : screens) {
        for (const Edge& e : edges) {
            const json state =
                Run(screen + "700 mouse-move " + std::to_string(e.x) + " " + std::to_string(e.y) + "\n", 800);
            EXPECT_EQ(state["ScreenState"], 2) << screen << " to " << e.x << "," << e.y;
        }
        // The panel's own edges still belong to it.
        const json inside = Run(screen + "700 mouse-move 18 117\n750 mouse-move 491 573\n", 800);
        EXPECT_NE(inside["ScreenState"], 2) << screen;
    }
    // Onto an item: the item lights at once, except after the clan choice, where it lights with
    // the next move; a click then acts as on the main menu.
    struct Onto {
        std::string screen;
        int lit;
    };
    const Onto ontos[] = {{kOptions, 1}, {kHighScores, 1}, {kHelp, 1}, {kClanChoice, 0}};
    for (const Onto& o : ontos) {
        const json state = Run(o.screen + "700 mouse-move 600 280\n", 800);
        EXPECT_EQ(Count(state, "High_Score"), o.lit) << o.screen;
        const json next = Run(o.screen + "700 mouse-move 600 280\n750 mouse-move 601 281\n", 800);
        EXPECT_EQ(Count(next, "High_Score"), 1) << o.screen;
        const json click = Run(o.screen + "700 mouse-move 600 280\n750 mouse-down left\n", 800);
        EXPECT_EQ(click["ScreenState"], 7) << o.screen;
    }
    // The clear question holds the pointer on the high-score screen.
    const json question = Run(kClearQuestion + "700 mouse-move 600 140\n750 mouse-down left\n", 800);
    EXPECT_EQ(question["ScreenState"], 7);
    EXPECT_TRUE(question["GameClearHighScore"]);
    EXPECT_EQ(Count(question, "Start_Game"), 0);
}

// ---------------------------------------------------------------------------------------------
// Keys

TEST_F(MenuScenario, EscapeAndEnterOnEachScreen) {
    struct Case {
        std::string screen;
        const char* key;
        int state;
        bool quitOverlay;
        bool clearQuestion;
    };
    const Case cases[] = {
        {kMainMenu, "Escape", 2, true, false},
        {kMainMenu, "Return", 3, false, false},
        {kQuitOverlay, "Escape", 2, false, false},  // Escape toggles the overlay back
        {kQuitOverlay, "Return", 2, true, false},   // Enter does nothing under the overlay
        {kClanChoice, "Escape", 3, false, false},   // no key acts on the clan choice
        {kClanChoice, "Return", 3, false, false},
        {kOptions, "Escape", 2, false, false},
        {kOptions, "Return", 6, false, false},
        {kHelp, "Escape", 2, false, false},
        {kHelp, "Return", 5, false, false},
        {kHighScores, "Escape", 2, false, false},
        {kHighScores, "Return", 7, false, false},
        {kClearQuestion, "Escape", 7, false, false},  // the question goes, the table shows again
        {kClearQuestion, "Return", 7, false, true},
    };
    for (const Case& c : cases) {
        const json state = Run(c.screen + "700 key-down " + c.key + "\n", 800);
        const std::string what = c.screen + c.key;
        EXPECT_EQ(state["ScreenState"], c.state) << what;
        EXPECT_EQ(state["GameMainExit"], c.quitOverlay) << what;
        EXPECT_EQ(state["caption"], c.quitOverlay ? "Vandrax [Pause]" : "Vandrax") << what;
        EXPECT_EQ(state["GameClearHighScore"], c.clearQuestion) << what;
        EXPECT_EQ(Count(state, "TClearHighScore"), c.clearQuestion ? 1 : 0) << what;
        EXPECT_EQ(state["errors"].size(), 0u) << what << state["errors"];
    }
}

// ---------------------------------------------------------------------------------------------
// Clan choice

TEST_F(MenuScenario, EachClanStartsTheGameWithClicksOnly) {
    struct Case {
        int clan;
        int x;
    };
    for (const Case& c : {Case{1, 145}, Case{2, 365}}) {
        // The splash by a click, "START GAME", the clan's picture.
        const std::string clicks = "500 mouse-down left\n1000 mouse-move 600 140\n1100 mouse-down left\n" +
                                   std::string("1500 mouse-move ") + std::to_string(c.x) +
                                   " 300\n1600 mouse-down left\n";
        const json state = Run(clicks, 1800);
        EXPECT_EQ(state["ScreenState"], 4) << c.clan;
        EXPECT_EQ(state["Clan"], c.clan);
        EXPECT_EQ(state["music"], "Main");
        EXPECT_EQ(Sounds(state), (Strings{"button_down", "button_down"}));
    }
    // Dragons, out of the game through the overlay, then Bulldogs: clan 1 again.
    const json again =
        Run("500 mouse-down left\n1000 mouse-move 600 140\n1100 mouse-down left\n1500 mouse-move 365 300\n"
            "1600 mouse-down left\n4000 key-down Escape\n4100 mouse-move 300 360\n4200 mouse-down left\n"
            "4500 mouse-move 600 140\n4600 mouse-down left\n5000 mouse-move 145 300\n5100 mouse-down left\n",
            5300);
    EXPECT_EQ(again["ScreenState"], 4);
    EXPECT_EQ(again["Clan"], 1);
    // Back and the gap between the pictures do not start a game.
    const json back = Run(std::string(kClanChoice) + "700 mouse-move 324 540\n750 mouse-down left\n", 800);
    EXPECT_EQ(back["ScreenState"], 2);
    const json gap = Run(std::string(kClanChoice) + "700 mouse-move 255 300\n750 mouse-down left\n", 800);
    EXPECT_EQ(gap["ScreenState"], 3);
}

// ---------------------------------------------------------------------------------------------
// Options

TEST_F(MenuScenario, OptionsTakeEffectAtOnceAndSurviveARestart) {
    // Music off, full screen, a country, then sound off and Back.
    const std::string script = std::string(kOptions) +
                               "700 mouse-move 230 300\n750 mouse-down left\n"     // MUSIC OFF
                               "800 mouse-move 350 265\n850 mouse-down left\n"     // FULL SCREEN
                               "900 mouse-move 300 355\n950 mouse-down left\n"     // country field
                               "1000 char Malta\n"                                 //
                               "1100 mouse-move 240 325\n1150 mouse-down left\n"   // SOUND OFF
                               "1200 mouse-move 180 325\n1250 mouse-down left\n"   // SOUND ON
                               "1300 mouse-move 240 325\n1350 mouse-down left\n";  // SOUND OFF
    // On the options screen, then left by Escape.
    const std::vector<json> states = RunAt(script + "1500 key-down Escape\n", {1400, 1600});
    const json& options = states[0];
    EXPECT_EQ(options["ScreenState"], 6);
    EXPECT_FALSE(options["GameMusic"]);
    EXPECT_EQ(options["music"], nullptr);  // stopped at once
    EXPECT_TRUE(options["GameFullScreen"]);
    EXPECT_TRUE(options["fullScreenWindow"]);
    EXPECT_FALSE(options["GameSound"]);
    EXPECT_EQ(options["CountryName"], "Malta");
    EXPECT_TRUE(Drew(options, "FULL SCREEN"));
    EXPECT_TRUE(Drew(options, "OFF"));
    // Every switch sounds after it acts: turning the sound off is silent, turning it on is heard.
    EXPECT_EQ(Sounds(options),
              (Strings{"button_down", "button_down", "button_down", "button_down", "button_down"}));

    const json& left = states[1];
    EXPECT_EQ(left["ScreenState"], 2);
    ConfigValues saved = SavedSettings();
    EXPECT_TRUE(saved.fullScreen);
    EXPECT_FALSE(saved.music);
    EXPECT_FALSE(saved.sound);
    EXPECT_EQ(saved.country, "Malta");

    // The next start reads them back.
    const json restarted = Run("", 1000);
    EXPECT_TRUE(restarted["GameFullScreen"]);
    EXPECT_TRUE(restarted["fullScreenWindow"]);
    EXPECT_FALSE(restarted["GameMusic"]);
    EXPECT_FALSE(restarted["GameSound"]);
    EXPECT_EQ(restarted["music"], nullptr);

    // Music on again starts the menu module at once; the window comes back.
    const json back = Run(std::string(kOptions) +
                              "700 mouse-move 170 300\n750 mouse-down left\n"
                              "800 mouse-move 200 265\n850 mouse-down left\n",
                          900);
    EXPECT_TRUE(back["GameMusic"]);
    EXPECT_EQ(back["music"], "Menu");
    EXPECT_FALSE(back["GameFullScreen"]);
    EXPECT_FALSE(back["fullScreenWindow"]);
}

TEST_F(MenuScenario, ClickingTheCurrentChoiceDoesNothing) {
    const json state = Run(std::string(kOptions) +
                               "700 mouse-move 170 300\n750 mouse-down left\n"   // MUSIC ON, already on
                               "800 mouse-move 200 265\n850 mouse-down left\n"   // WINDOW, already
                               "900 mouse-move 180 325\n950 mouse-down left\n",  // SOUND ON, already
                           1000);
    EXPECT_TRUE(state["GameMusic"]);
    EXPECT_EQ(state["music"], "Menu");
    EXPECT_FALSE(state["GameFullScreen"]);
    EXPECT_EQ(state["soundPackLoads"], 1);
    EXPECT_EQ(Sounds(state), Strings{"button_down"});  // only the click on "OPTIONS"
}

TEST_F(MenuScenario, TheCountryFieldTakesLettersAndDigitsUpToItsLimits) {
    struct Case {
        std::string typing;
        const char* country;
    };
    const Case cases[] = {
        {"700 char A\n710 char b\n720 char 1\n730 char !\n", "Ab1"},
        {"700 char Ab1 !%,.\n", "Ab1"},  // space and punctuation go nowhere
        {"700 char abcdefghijkl\n", "abcdefghij"},
        // Wide letters stop once the text is wider than 165 pixels, before ten characters: seven
        // W are 159 pixels wide, eight 181.
        {"700 char WWWWWWWWWW\n", "WWWWWWWW"},
        // Typed faster than the frames come, all at once as a paste is.
        {"700 char " + std::string(300, 'x') + "\n", "xxxxxxxxxx"},
        {"700 char Malta\n800 key-down Backspace\n810 key-down Backspace\n", "Mal"},
    };
    for (const Case& c : cases) {
        const json state = Run(std::string(kOptions) + c.typing, 1000);
        EXPECT_EQ(state["CountryName"], c.country) << c.typing;
        EXPECT_EQ(state["errors"].size(), 0u) << c.typing << state["errors"];
    }
    // A country already set: typing waits for a click on the field, another click ends it.
    const json set =
        Run(std::string(kOptions) + "700 char Malta\n750 key-down Escape\n800 mouse-move 600 210\n" +
                "850 mouse-down left\n1000 char xyz\n",
            1100);
    EXPECT_EQ(set["CountryName"], "Malta");
    EXPECT_FALSE(set["GamegoEdit"]);
    const json clicked =
        Run(std::string(kOptions) + "700 char Malta\n750 key-down Escape\n800 mouse-move 600 210\n" +
                "850 mouse-down left\n900 mouse-move 300 355\n950 mouse-down left\n1000 char xyz\n" +
                "1050 mouse-move 300 450\n1060 mouse-down left\n1070 char q\n",
            1100);
    EXPECT_EQ(clicked["CountryName"], "Maltaxyz");
    EXPECT_FALSE(clicked["GamegoEdit"]);
}

// ---------------------------------------------------------------------------------------------
// High scores

TEST_F(MenuScenario, TheTableIsClearedOnlyAfterYes) {
    ConfigValues values;
    InsertHighScore(values.highScores, "Vera", 9000);
    fs::create_directories(home);
    std::ofstream(home / "Config.cfg", std::ios::binary) << FormatConfig(values);

    struct Case {
        const char* answer;
        const char* name;
        int score;
        int clicks;  // with the two that opened the screen and the question
    };
    const Case cases[] = {
        {"700 mouse-move 300 360\n750 mouse-down left\n", "Anonymous", 3000, 3},  // Yes
        {"700 mouse-move 480 360\n750 mouse-down left\n", "Vera", 9000, 3},       // No
        {"700 key-down Escape\n", "Vera", 9000, 2},                               // Escape
    };
    for (const Case& c : cases) {
        std::ofstream(home / "Config.cfg", std::ios::binary) << FormatConfig(values);
        const json state = Run(kClearQuestion + c.answer, 900);
        EXPECT_EQ(state["ScreenState"], 7) << c.answer;
        EXPECT_FALSE(state["GameClearHighScore"]) << c.answer;
        EXPECT_EQ(Count(state, "TClearHighScore"), 0) << c.answer;
        EXPECT_EQ(state["highScores"][0]["name"], c.name) << c.answer;
        EXPECT_EQ(state["highScores"][0]["score"], c.score) << c.answer;
        EXPECT_TRUE(Drew(state, c.name)) << c.answer;  // the rows show again
        EXPECT_EQ(Clicks(state), c.clicks) << c.answer;
        // Answering wrote the file already, before the screen is left.
        EXPECT_EQ(SavedSettings().highScores[0].Name, c.name) << c.answer;
    }
}

TEST_F(MenuScenario, TheHighScoreScreenShowsTheRowsAndSavesOnLeaving) {
    const json state = Run(kHighScores, 800);
    EXPECT_TRUE(Drew(state, "HIGH SCORE"));
    int rows = 0;
    for (const json& t : state["hud"])
        if (t["text"] == "Anonymous") {
            EXPECT_EQ(t["x"], 160);
            EXPECT_EQ(t["y"], 198 + 30 * rows);
            EXPECT_EQ(t["size"], 19);
            ++rows;
        }
    EXPECT_EQ(rows, 10);
    // Back, View and Clear: a click each.
    const json back = Run(std::string(kHighScores) + "700 mouse-move 324 540\n750 mouse-down left\n", 800);
    EXPECT_EQ(back["ScreenState"], 2);
    const json view = Run(std::string(kHighScores) + "700 mouse-move 470 540\n750 mouse-down left\n", 800);
    EXPECT_EQ(view["ScreenState"], 7);
    EXPECT_EQ(Sounds(view).back(), "button_down");
    // Lit as far as 472, but a click there does nothing.
    const json beyond = Run(std::string(kHighScores) + "700 mouse-move 471 540\n750 mouse-down left\n", 800);
    EXPECT_EQ(Count(beyond, "HighScore_View"), 1);
    EXPECT_EQ(Clicks(beyond), 1);
}

// ---------------------------------------------------------------------------------------------
// Help

TEST_F(MenuScenario, HelpPagesTurnWithinOneToThreeAndOpenOnTheFirst) {
    struct Case {
        std::string script;
        int page;
        const char* title;
        int turns;  // clicks that acted after the one that opened the help
    };
    const std::string previous = "mouse-move 100 540\n";
    const std::string next = "mouse-move 400 540\n";
    const Case cases[] = {
        {"", 1, "GAME OVERVIEW AND OBJECTIVES", 0},
        {"700 " + previous + "750 mouse-down left\n", 1, "GAME OVERVIEW AND OBJECTIVES", 0},
        {"700 " + next + "750 mouse-down left\n", 2, "CONTROLS", 1},
        {"700 " + next + "750 mouse-down left\n800 mouse-down left\n", 3, "ABOUT", 2},
        {"700 " + next + "750 mouse-down left\n800 mouse-down left\n850 mouse-down left\n", 3, "ABOUT", 2},
        {"700 " + next + "750 mouse-down left\n800 mouse-down left\n850 " + previous +
             "900 mouse-down left\n",
         2, "CONTROLS", 3},
    };
    for (const Case& c : cases) {
        const json state = Run(kHelp + c.script, 1000);
        EXPECT_EQ(state["ScreenState"], 5) << c.script;
        EXPECT_EQ(state["HelpPage"], c.page) << c.script;
        EXPECT_TRUE(Drew(state, c.title)) << c.script;
        EXPECT_TRUE(Drew(state, "HELP")) << c.script;
        EXPECT_EQ(Clicks(state), 1 + c.turns) << c.script;
        // The about page adds its emblem to the panel, the buttons, the items and the logo.
        EXPECT_EQ(Count(state, "TImageSprite"), c.page == 3 ? 12 : 11) << c.script;
    }
    // Left from the third page and opened again: the first page.
    const json again = Run(std::string(kHelp) + "700 " + next + "750 mouse-down left\n800 mouse-down left\n" +
                               "850 mouse-move 250 540\n900 mouse-down left\n950 mouse-move 600 350\n" +
                               "1000 mouse-down left\n",
                           1100);
    EXPECT_EQ(again["ScreenState"], 5);
    EXPECT_EQ(again["HelpPage"], 1);
}

TEST_F(MenuScenario, HelpTextsAreDrawnWhereAndAsLargeAsThePagesSay) {
    struct Line {
        const char* text;
        int x, y, size;
    };
    const Line page1[] = {{"GAME OVERVIEW AND OBJECTIVES", 80, 162, 16},
                          {"Two clans and only one is going to survive. ", 40, 450, 11},
                          {"Well? Shall we go for a hell of a ride?", 40, 470, 11}};
    const json first = Run(kHelp, 800);
    EXPECT_EQ(first["hud"].size(), 17u);
    for (const Line& l : page1) {
        bool found = false;
        for (const json& t : first["hud"])
            if (t["text"] == l.text) {
                found = true;
                EXPECT_EQ(t["x"], l.x) << l.text;
                EXPECT_EQ(t["y"], l.y) << l.text;
                EXPECT_EQ(t["size"], l.size) << l.text;
            }
        EXPECT_TRUE(found) << l.text;
    }
    const json second = Run(std::string(kHelp) + "700 mouse-move 400 540\n750 mouse-down left\n", 800);
    EXPECT_TRUE(Drew(second, "Use \"Alt\"+\"Enter\" keys to change window/full screen modes."));
    EXPECT_TRUE(Drew(second, "Use the keys \"Up Arrow\",\"Left Arrow\" and \"Right Arrow\""));
}

// ---------------------------------------------------------------------------------------------
// Quit overlay

TEST_F(MenuScenario, TheQuitOverlaysAnswers) {
    // On the main menu: Yes ends the program (through the promotion page, empty here), No keeps it.
    const json yes = Run(std::string(kQuitOverlay) + "700 mouse-move 300 360\n750 mouse-down left\n", 2000);
    EXPECT_TRUE(yes["exited"]);
    EXPECT_EQ(yes["ScreenState"], 9);
    const json no = Run(std::string(kQuitOverlay) + "700 mouse-move 480 360\n750 mouse-down left\n", 900);
    EXPECT_FALSE(no["exited"]);
    EXPECT_EQ(no["ScreenState"], 2);
    EXPECT_FALSE(no["GameMainExit"]);
    EXPECT_EQ(no["caption"], "Vandrax");
    EXPECT_EQ(Sounds(no), (Strings{"pause", "button_up", "button_down", "after_pause"}));
    // The Exit item opens it too; the sounds come after what the click did.
    const json exitItem = Run(std::string(kMainMenu) + "700 mouse-move 600 490\n750 mouse-down left\n", 900);
    EXPECT_TRUE(exitItem["GameMainExit"]);
    EXPECT_EQ(Sounds(exitItem), (Strings{"button_up", "pause", "button_down"}));

    // In the game: No goes on driving, Yes with no score for the table is the main menu.
    const json goOn =
        Run("2600 key-down Escape\n2700 mouse-move 480 360\n2800 mouse-down left\n", 3000, "--play 2");
    EXPECT_EQ(goOn["ScreenState"], 4);
    EXPECT_TRUE(goOn["Driving"]);
    EXPECT_FALSE(goOn["GameMainExit"]);
    EXPECT_EQ(Count(goOn, "TMainExit"), 0);
    const json menu = Run(LeaveGameWithScore(0), 3000, "--play 2");
    EXPECT_EQ(menu["ScreenState"], 2);
    EXPECT_FALSE(menu["exited"]);
    EXPECT_EQ(menu["music"], "Menu");  // back from a game
    EXPECT_EQ(menu["pointer"], "arrow");
    // Yes or No by the keyboard's hand: a click beside them does nothing.
    const json beside =
        Run("2600 key-down Escape\n2700 mouse-move 400 360\n2800 mouse-down left\n", 3000, "--play 2");
    EXPECT_TRUE(beside["GameMainExit"]);
    EXPECT_EQ(beside["ScreenState"], 4);
}

// ---------------------------------------------------------------------------------------------
// Game over and name entry

TEST_F(MenuScenario, AScoreForTheTableGoesThroughTheNameEntryIntoTheTableAndTheFile) {
    const std::string over = LeaveGameWithScore(2600);
    // The picture's five seconds, then the panel, ready for typing (no name stored yet).
    // Then a name typed and the send box ticked.
    const std::vector<json> states =
        RunAt(over + "8300 char Rex 2!\n8400 mouse-move 240 390\n8450 mouse-down left\n", {7500, 8200, 8600},
              "--play 1");
    const json& waiting = states[0];
    EXPECT_EQ(waiting["ScreenState"], 10);
    EXPECT_EQ(waiting["music"], "GameOver");
    EXPECT_FALSE(waiting["GameEnterName"]);
    const json& panel = states[1];
    EXPECT_TRUE(panel["GameEnterName"]);
    EXPECT_TRUE(panel["GamegoEdit"]);
    EXPECT_EQ(Count(panel, "TEnter_Name"), 1);

    const json& named = states[2];
    EXPECT_EQ(named["PlayerName"], "Rex2");
    EXPECT_TRUE(named["GameSendResult"]);
    EXPECT_EQ(Count(named, "TEnter_Name_Send"), 1);
    // The score and the name centred on x 400 by their widths.
    for (const json& t : named["hud"]) {
        EXPECT_EQ(t["size"], 20);
        EXPECT_TRUE(t["text"] == "2600" || t["text"] == "Rex2") << t;
    }
    EXPECT_EQ(named["hud"].size(), 2u);

    const json table = Run(over + "8300 char Rex 2!\n8400 key-down Return\n", 8600, "--play 1");
    EXPECT_EQ(table["ScreenState"], 7);
    EXPECT_EQ(table["highScores"][1]["name"], "Rex2");
    EXPECT_EQ(table["highScores"][1]["score"], 2600);
    EXPECT_EQ(table["highScores"][2]["score"], 2500);  // moved down, not lost
    EXPECT_FALSE(table["GameEnterName"]);
    EXPECT_FALSE(table["GameSendResult"]);
    EXPECT_EQ(table["music"], "Menu");
    const ConfigValues saved = SavedSettings();
    EXPECT_EQ(saved.name, "Rex2");
    EXPECT_EQ(saved.highScores[1].Name, "Rex2");
    EXPECT_EQ(saved.highScores[1].Score, 2600);
}

TEST_F(MenuScenario, TheNameAndTheScoreAreCentredByTheirMeasuredWidths) {
    // Centred on x 400: drawn from 400 - round(width / 2), a half going to the even neighbour.
    // Both kinds of odd width: a half that rounds down (49 -> 24) and one that rounds up (47 -> 24).
    bool roundsDown = false;
    bool roundsUp = false;
    for (const char* name : {"Rex", "Zed", "Il", "Wolfgang", "mmmmmmmmmm"}) {
        const json state = Run(LeaveGameWithScore(2600) + "8300 char " + name + "\n", 8500, "--play 1");
        ASSERT_EQ(state["hud"].size(), 2u) << name;
        for (const json& t : state["hud"]) {
            const int width = t["width"];
            roundsDown = roundsDown || width % 4 == 1;
            roundsUp = roundsUp || width % 4 == 3;
            const int half = width / 2 + ((width % 4) == 3 ? 1 : 0);  // odd widths: .5 to even
            EXPECT_EQ(t["x"], 400 - half) << t;
            EXPECT_EQ(t["y"], t["text"] == "2600" ? 210 : 310) << t;
        }
    }
    EXPECT_TRUE(roundsDown && roundsUp) << "the halves were not all tried";
    // The menus' "Arial" is Liberation Sans, sized in points at 96 DPI.
    const json options = Run(std::string(kOptions) + "700 char Anonymous\n", 800);
    bool drawn = false;
    for (const json& t : options["hud"]) {
        if (t["text"] != "Anonymous") continue;
        drawn = true;
        EXPECT_EQ(t["width"], 125);
    }
    EXPECT_TRUE(drawn);
}

TEST_F(MenuScenario, TheNameEntryWithAStoredName) {
    ConfigValues values;
    values.name = "Vera";
    fs::create_directories(home);
    const std::string over = LeaveGameWithScore(2600);
    struct Case {
        std::string keys;
        int state;
        const char* name;
        const char* tableName;
    };
    const Case cases[] = {
        // The name shows, no typing until the field is clicked.
        {"8300 char xy\n8310 key-down Backspace\n", 10, "Vera", "Anonymous"},
        {"8300 mouse-move 400 325\n8350 mouse-down left\n8400 char xy\n", 10, "Veraxy", "Anonymous"},
        {"8300 mouse-move 400 325\n8350 mouse-down left\n8400 char abcdefghijk\n", 10, "Veraabcdef",
         "Anonymous"},
        // Enter before the panel shows already puts the stored name in the table.
        {"3500 key-down Return\n", 7, "Vera", "Vera"},
        // Escape does not leave while the score is good enough.
        {"8300 key-down Escape\n", 10, "Vera", "Anonymous"},
        // An emptied name cannot be confirmed.
        {"8300 mouse-move 400 325\n8350 mouse-down left\n8400 key-down Backspace\n8410 key-down Backspace\n"
         "8420 key-down Backspace\n8430 key-down Backspace\n8440 key-down Backspace\n8500 key-down Return\n",
         10, "", "Anonymous"},
        // The send box ticked twice is unticked.
        {"8300 mouse-move 240 390\n8350 mouse-down left\n8400 mouse-down left\n8500 key-down Return\n", 7,
         "Vera", "Vera"},
    };
    for (const Case& c : cases) {
        std::ofstream(home / "Config.cfg", std::ios::binary) << FormatConfig(values);
        const json state = Run(over + c.keys, 8700, "--play 1");
        EXPECT_EQ(state["ScreenState"], c.state) << c.keys;
        if (c.state == 10) {
            EXPECT_EQ(state["PlayerName"], c.name) << c.keys;
            EXPECT_TRUE(state["GameEnterName"]) << c.keys;
        }
        EXPECT_EQ(state["highScores"][1]["name"], c.tableName) << c.keys;
        EXPECT_FALSE(state["GameSendResult"]) << c.keys;
        EXPECT_EQ(state["errors"].size(), 0u) << c.keys << state["errors"];
    }
}

TEST_F(MenuScenario, AScoreNotForTheTableWaitsFiveSecondsThenGoesBackToTheMenu) {
    // Yes in the game goes straight to the menu for such a score; a lost last car shows the
    // game-over picture first.
    const std::string lost =
        "6500 remove TEnemyCarFirst\n6500 remove TStolb\n6500 set Lives 1\n6600 spawn TPoliceState 400 330\n";
    struct Moment {
        uint64_t at;
        int state;
    };
    struct Case {
        std::string action;
        std::vector<Moment> moments;
    };
    const Case cases[] = {
        {"9000 key-down Return\n9010 key-down Escape\n9020 mouse-down left\n", {{9500, 10}}},  // too early
        {"12000 key-down Return\n", {{12100, 10}, {12300, 2}}},  // the short pause, then the menu
        {"12000 key-down Escape\n", {{12300, 2}}},
        {"12000 mouse-down left\n", {{12300, 2}}},
        {"12000 mouse-down right\n", {{12300, 10}}},
        {"12000 key-down Return alt\n", {{12300, 2}}},
    };
    for (const Case& c : cases) {
        std::vector<uint64_t> moments;
        for (const Moment& m : c.moments) moments.push_back(m.at);
        const std::vector<json> states = RunAt(lost + c.action, moments, "--play 1");
        for (size_t i = 0; i < states.size(); ++i) {
            const json& state = states[i];
            EXPECT_EQ(state["ScreenState"], c.moments[i].state) << c.action << " at " << c.moments[i].at;
            EXPECT_FALSE(state["GameEnterName"]) << c.action;
            EXPECT_EQ(state["errors"].size(), 0u) << c.action << state["errors"];
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The links: which button and which state lets them act (what they open is the online suites')

TEST_F(MenuScenario, LinkItemsPlayTheirSoundAndStayOnTheScreen) {
    struct Case {
        std::string script;
        int state;
        int clicks;
    };
    const Case cases[] = {
        {std::string(kMainMenu) + "700 mouse-move 650 560\n750 mouse-down left\n", 2, 1},
        {std::string(kMainMenu) + "700 mouse-move 650 560\n750 mouse-down right\n", 2, 1},  // any button
        {std::string(kMainMenu) + "700 mouse-move 600 420\n750 mouse-down left\n", 2, 1},
        {std::string(kMainMenu) + "700 mouse-move 600 420\n750 mouse-down right\n", 2, 0},
        {std::string(kQuitOverlay) + "700 mouse-move 600 420\n750 mouse-down left\n", 2, 0},
        {std::string(kQuitOverlay) + "700 mouse-move 650 560\n750 mouse-down left\n", 2, 1},
        {kClearQuestion + "700 mouse-move 650 560\n750 mouse-down left\n", 7, 3},
        {kClearQuestion + "700 mouse-move 650 560\n750 mouse-down right\n", 7, 2},
    };
    for (const Case& c : cases) {
        const json state = Run(c.script, 900);
        EXPECT_EQ(state["ScreenState"], c.state) << c.script;
        EXPECT_EQ(Clicks(state), c.clicks) << c.script;
        EXPECT_FALSE(state["exited"]) << c.script;
    }
}

// ---------------------------------------------------------------------------------------------
// Settings folder that cannot be written

TEST_F(MenuScenario, AnUnwritableSettingsFolderIsToldOnceAndTheScreensStillChange) {
    std::ofstream(dir / "blocked") << "a file where the settings folder should be";
    home = dir / "blocked" / "vandrax";
    // Music off is a change to save: leaving the options screen tries to.
    const json state =
        Run(std::string(kOptions) + "600 mouse-move 230 300\n650 mouse-down left\n" +
                "700 key-down Escape\n800 mouse-move 600 280\n850 mouse-down left\n900 key-down Escape\n",
            1000);
    EXPECT_EQ(state["ScreenState"], 2);
    EXPECT_EQ(state["errors"].size(), 1u) << state["errors"];
    const json gameOver =
        Run(LeaveGameWithScore(2600) + "8300 char Rex\n8400 key-down Return\n", 8600, "--play 1");
    EXPECT_EQ(gameOver["ScreenState"], 7);
    EXPECT_EQ(gameOver["highScores"][1]["name"], "Rex");
    EXPECT_EQ(gameOver["errors"].size(), 1u) << gameOver["errors"];
}

// ---------------------------------------------------------------------------------------------
// The autopilot goes through the menus

TEST_F(MenuScenario, TheAutopilotStartsEachGameThroughTheMenus) {
    struct Case {
        std::string extra;  // set-up lines before the crash
        std::vector<int> screens;
        const char* topName;
    };
    const Case cases[] = {
        {"", {2, 3, 4, 10, 2, 3, 4}, "Anonymous"},
        {"6600 set Score 5000\n", {2, 3, 4, 10, 7, 2, 3, 4}, "Autopilot"},
    };
    for (const Case& c : cases) {
        const std::string script = c.extra + "6600 set Lives 1\n6600 spawn TPoliceState 400 330\n";
        const fs::path trace = dir / "trace.jsonl";
        const json state = Run(script, 14000, "--autopilot --trace " + trace.string());
        std::vector<int> screens;
        std::ifstream lines(trace);
        for (std::string line; std::getline(lines, line);) {
            const int screen = json::parse(line)["ScreenState"];
            if (screens.empty() || screens.back() != screen) screens.push_back(screen);
        }
        EXPECT_EQ(screens, c.screens) << c.extra;
        EXPECT_EQ(state["highScores"][0]["name"], c.topName);
        EXPECT_EQ(state["errors"].size(), 0u) << state["errors"];
    }
}

}  // namespace
