// The menus with the keyboard alone, as the help page's CONTROLS tell it: the arrows and Tab move
// a light over a screen's items with the pointer's hover picture and sound, Enter chooses the lit
// item, Left and Right go between choices side by side, Y and N answer the yes/no boxes, and the
// gamepad's d-pad does what the arrows do. The scripts hold key presses only (and typed
// characters for a name), except where the pointer is shown taking the light back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/high_scores.h"
#include "app/settings_file.h"
#include "sim_run.h"
using nlohmann::json;

namespace {

// Key presses 100 ms apart from `ms`; a key may carry its modifiers ("Tab shift").
std::string Keys(int ms, const std::vector<std::string>& keys) {
    std::string script;
    for (const std::string& key : keys) {
        script += std::to_string(ms) + " key-down " + key + "\n";
        ms += 100;
    }
    return script;
}

// Taps of d-pad and other pad buttons 100 ms apart from `ms`.
std::string Pad(int ms, const std::vector<std::string>& buttons) {
    std::string script;
    for (const std::string& button : buttons) {
        script += std::to_string(ms) + " pad-down " + button + "\n" + std::to_string(ms + 30) + " pad-up " +
                  button + "\n";
        ms += 100;
    }
    return script;
}

// The splash left by Escape: the main menu from 300 ms, nothing lit.
const std::string kMainMenu = "300 key-down Escape\n";

class KeyboardScenario : public ::testing::Test {
protected:
    json Run(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        const json state = folder.Run(script, untilMs, "--seed 3 " + extra);
        EXPECT_EQ(state.value("errors", json::array()).size(), 0u) << state["errors"];
        return state;
    }

    static int Count(const json& state, const std::string& spriteClass) {
        return state["sprites"].value(spriteClass, 0);
    }

    static int Played(const json& state, const std::string& sound) {
        int n = 0;
        for (const json& s : state["soundsPlayed"]) n += s == sound ? 1 : 0;
        return n;
    }

    static bool Drew(const json& state, const std::string& text, int y) {
        for (const json& t : state["hud"])
            if (t["text"] == text && t["y"] == y) return true;
        return false;
    }

    // The settings file the next run starts with.
    void WriteSettings(const ConfigValues& values) {
        std::filesystem::create_directories(folder.Home());
        std::ofstream(folder.Home() / "Config.cfg", std::ios::binary) << FormatConfig(values);
    }

    ConfigValues SavedSettings() {
        ConfigValues values;
        ConfigReadResult result;
        EXPECT_TRUE(ReadConfigFile(folder.Home() / "Config.cfg", values, result));
        values.fullScreen = result.switchToFullScreen;
        return values;
    }

    scenario::SimFolder folder{"keys"};
};

// ---------------------------------------------------------------------------------------------
// The main menu's light

TEST_F(KeyboardScenario, TheArrowsAndTabLightTheMainMenuItemsWithThePointersPictureAndSound) {
    struct Case {
        std::vector<std::string> keys;
        const char* lit;
    };
    const Case cases[] = {
        {{"Down"}, "Start_Game"},
        {{"Down", "Down"}, "Options"},
        {{"Down", "Down", "Down"}, "High_Score"},
        {{"Tab", "Tab", "Tab", "Tab"}, "Help"},
        {{"Up", "Up"}, "Visit_Web_Site"},
        {{"Up"}, "Exit_"},
        {{"Down", "Up"}, "Exit_"},  // round the top
        {{"Tab shift"}, "Exit_"},
        {{"Down", "Down", "Tab shift"}, "Start_Game"},
        {{"Up", "Down"}, "Start_Game"},  // round the end
    };
    const char* const all[] = {"Start_Game", "Options", "High_Score", "Help", "Visit_Web_Site", "Exit_"};
    for (const Case& c : cases) {
        const json state = Run(kMainMenu + Keys(500, c.keys), 500 + 100 * c.keys.size() + 50);
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        EXPECT_EQ(state["ScreenState"], 2) << what;
        for (const char* item : all)
            EXPECT_EQ(Count(state, item), item == std::string(c.lit) ? 1 : 0) << what << item;
        // Every move of the light sounds, as the pointer coming onto an item from outside does.
        EXPECT_EQ(Played(state, "button_up"), static_cast<int>(c.keys.size())) << what;
        EXPECT_EQ(state["pointer"], "hand") << what;
    }
}

TEST_F(KeyboardScenario, EnterChoosesTheLitItemAndWithNothingLitStartsAGame) {
    struct Case {
        std::vector<std::string> keys;
        int screen;
        const char* what;
    };
    const Case cases[] = {
        {{"Return"}, 3, "nothing lit: the clan choice, as before"},
        {{"Down", "Return"}, 3, "START GAME"},
        {{"Down", "Down", "Return"}, 6, "OPTIONS"},
        {{"Down", "Down", "Down", "Return"}, 7, "HIGH SCORE"},
        {{"Up", "Up", "Up", "Return"}, 5, "HELP"},
        {{"Down", "Return", "Escape"}, 3, "Escape does nothing on the clan choice, as before"},
        {{"Down", "Return", "Up", "Return"}, 2, "Back lit there from below goes back"},
        {{"Down", "Down", "Return", "Escape"}, 2, "and from the options"},
        {{"Return alt"}, 2, "Alt+Enter switches the window and chooses nothing"},
        {{"Down", "Return alt"}, 2, "not even a lit item"},
    };
    for (const Case& c : cases) {
        const json state = Run(kMainMenu + Keys(500, c.keys), 500 + 100 * c.keys.size() + 50);
        EXPECT_EQ(state["ScreenState"], c.screen) << c.what;
    }
    const json alt = Run(kMainMenu + Keys(500, {"Down", "Return alt"}), 700);
    EXPECT_TRUE(alt["GameFullScreen"]);
    // The web site's item acts as its click does (no link file in the test data): its sound, and
    // the menu stays.
    const json site = Run(kMainMenu + Keys(500, {"Up", "Up", "Return"}), 850);
    EXPECT_EQ(Played(site, "button_down"), 1);
    EXPECT_EQ(site["ScreenState"], 2);
}

// ---------------------------------------------------------------------------------------------
// The clan choice

TEST_F(KeyboardScenario, AGameStartsAsEitherClanFromTheKeyboard) {
    struct Case {
        std::vector<std::string> keys;
        int clan;
    };
    const Case cases[] = {
        {{"Return", "Left", "Return"}, 1},
        {{"Return", "Right", "Return"}, 2},
        {{"Down", "Return", "Right", "Left", "Return"}, 1},
        {{"Return", "Left", "Right", "Return"}, 2},
        {{"Return", "Tab", "Tab", "Return"}, 2},
        {{"Return", "Down", "Return"}, 1},            // down lights the first clan
        {{"Return", "Right", "Right", "Return"}, 2},  // the row does not go round
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        const json state = Run(kMainMenu + Keys(500, c.keys), 500 + 100 * c.keys.size() + 100);
        EXPECT_EQ(state["ScreenState"], 4) << what;
        EXPECT_EQ(state["Clan"], c.clan) << what;
        EXPECT_EQ(state["gamesStarted"], 1) << what;
    }
    // Nothing lit, Enter picks nothing; Back lit beneath the clans goes back with its hover.
    const json waiting = Run(kMainMenu + Keys(500, {"Return", "Return"}), 750);
    EXPECT_EQ(waiting["ScreenState"], 3);
    const json back = Run(kMainMenu + Keys(500, {"Return", "Right", "Down"}), 850);
    EXPECT_EQ(Count(back, "HelpGame_Back"), 1);
    EXPECT_EQ(Played(back, "button_up"), 1);  // the pictures light without a sound
    const json menu = Run(kMainMenu + Keys(500, {"Return", "Right", "Down", "Return"}), 950);
    EXPECT_EQ(menu["ScreenState"], 2);
}

TEST_F(KeyboardScenario, TheHelpPagesTurnFromTheKeyboardWithTheLitButtonStayingLit) {
    // HELP lit from below and chosen: the first page.
    const std::string help = kMainMenu + Keys(500, {"Up", "Up", "Up", "Return"});
    struct Case {
        std::vector<std::string> keys;
        int screen;
        int page;
    };
    const Case cases[] = {
        {{"Right", "Return"}, 5, 2},
        {{"Right", "Return", "Return"}, 5, 3},
        {{"Right", "Return", "Return", "Return"}, 5, 3},        // past the last page: nothing
        {{"Right", "Return", "Left", "Left", "Return"}, 5, 1},  // along to Previous
        {{"Left", "Return"}, 5, 1},
        {{"Left", "Right", "Return"}, 2, 1},  // Back
        {{"Tab", "Tab", "Tab", "Return"}, 5, 2},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        const json state = Run(help + Keys(1000, c.keys), 1000 + 100 * c.keys.size() + 50);
        EXPECT_EQ(state["ScreenState"], c.screen) << what;
        if (c.screen == 5) {
            EXPECT_EQ(state["HelpPage"], c.page) << what;
        }
    }
    const json turned = Run(help + Keys(1000, {"Right", "Return"}), 1150);
    EXPECT_EQ(Count(turned, "HelpGame_Up"), 1);
}

// ---------------------------------------------------------------------------------------------
// The yes/no boxes

TEST_F(KeyboardScenario, TheQuitOverlayOnTheMenuAnswersYAndNAndItsLitButton) {
    struct Case {
        std::vector<std::string> keys;  // after Escape opened it
        bool quits;
        bool stillAsking;
    };
    const Case cases[] = {
        {{"Y"}, true, false},
        {{"N"}, false, false},
        {{"Left", "Return"}, true, false},
        {{"Right", "Return"}, false, false},
        {{"Right", "Left", "Return"}, true, false},
        {{"Left", "Right", "Return"}, false, false},
        {{"Tab", "Tab", "Return"}, false, false},
        {{"Return"}, false, true},  // nothing lit: Enter answers nothing
        {{"Down", "Return"}, true, false},
        {{"Escape"}, false, false},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        const json state = Run(kMainMenu + Keys(500, {"Escape"}) + Keys(600, c.keys), 2000);
        EXPECT_EQ(state["exited"], c.quits) << what;
        EXPECT_EQ(state["ScreenState"], c.quits ? 9 : 2) << what;
        EXPECT_EQ(state["GameMainExit"], c.stillAsking) << what;
    }
    // The lit answer shows the pointer's picture; the items beneath stay dark.
    const json yes = Run(kMainMenu + Keys(500, {"Down", "Escape", "Left"}), 850);
    EXPECT_EQ(Count(yes, "TMainExit_Yes"), 1);
    EXPECT_EQ(Count(yes, "TMainExit_No"), 0);
    const json no = Run(kMainMenu + Keys(500, {"Escape", "Left", "Right"}), 850);
    EXPECT_EQ(Count(no, "TMainExit_No"), 1);
    EXPECT_EQ(Count(no, "TMainExit_Yes"), 0);
    // The Exit item chosen by Enter opens it.
    const json exitItem = Run(kMainMenu + Keys(500, {"Up", "Return"}), 750);
    EXPECT_TRUE(exitItem["GameMainExit"]);
}

TEST_F(KeyboardScenario, TheQuitOverlayInPlayTakesTheKeysAndOtherwiseTheArrowsDrive) {
    struct Case {
        std::vector<std::string> keys;  // after Escape opened it
        int screen;
        bool stillAsking;
    };
    const Case cases[] = {
        {{"Y"}, 2, false},
        {{"N"}, 4, false},
        {{"Left", "Return"}, 2, false},
        {{"Right", "Return"}, 4, false},
        {{"Right", "Left", "Return"}, 2, false},
        {{"Return"}, 4, true},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        const json state = Run(Keys(2600, {"Escape"}) + Keys(2700, c.keys), 3300, "--play 2");
        EXPECT_EQ(state["ScreenState"], c.screen) << what;
        EXPECT_EQ(state["GameMainExit"], c.stillAsking) << what;
        if (c.screen == 4 && !c.stillAsking) {
            EXPECT_TRUE(state["Driving"]) << what;
        }
    }
    const json lit = Run(Keys(2600, {"Escape", "Right"}), 2800, "--play 2");
    EXPECT_EQ(Count(lit, "TMainExit_No"), 1);
    EXPECT_EQ(Played(lit, "button_up"), 1);
    // Without the overlay the arrows and Enter choose nothing: the game goes on.
    const json driving = Run(Keys(2600, {"Left", "Return", "Y", "Right", "Return"}), 3200, "--play 2");
    EXPECT_EQ(driving["ScreenState"], 4);
    EXPECT_FALSE(driving["GameMainExit"]);
    EXPECT_EQ(Count(driving, "TMainExit_Yes"), 0);
}

TEST_F(KeyboardScenario, TheHighScoreTablesClearQuestionAnswersYAndNAndItsLitButton) {
    // To the table, Clear lit and chosen: the question.
    const std::string asking = kMainMenu + Keys(500, {"Down", "Down", "Down", "Return", "Left", "Return"});
    const json question = Run(asking, 1150);
    EXPECT_EQ(question["ScreenState"], 7);
    EXPECT_TRUE(question["GameClearHighScore"]);
    struct Case {
        std::vector<std::string> keys;
        bool cleared;
    };
    const Case cases[] = {
        {{"Y"}, true},
        {{"N"}, false},
        {{"Left", "Return"}, true},
        {{"Right", "Return"}, false},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& k : c.keys) what += k + " ";
        // A row of the player's own in the settings file beforehand, which clearing takes away.
        ConfigValues values;
        values.highScores[0] = {"Mine", 9999};
        WriteSettings(values);
        const json state = Run(asking + Keys(1200, c.keys), 1500);
        EXPECT_FALSE(state["GameClearHighScore"]) << what;
        EXPECT_EQ(state["ScreenState"], 7) << what;
        EXPECT_EQ(state["highScores"][0]["name"], c.cleared ? DefaultHighScores()[0].Name : "Mine") << what;
        std::filesystem::remove(folder.Home() / "Config.cfg");
    }
}

// ---------------------------------------------------------------------------------------------
// The options

TEST_F(KeyboardScenario, EveryOptionChangesFromTheKeyboardAndTakesEffect) {
    // Options lit and chosen: the options screen, nothing lit on it.
    const std::string options = kMainMenu + Keys(500, {"Down", "Down", "Return"});
    struct Case {
        std::vector<std::string> keys;
        bool fullScreen;
        bool music;
        bool sound;
        const char* what;
    };
    const Case cases[] = {
        {{"Down"}, false, true, true, "the first key only lights WINDOW"},
        {{"Down", "Right"}, true, true, true, "Right on the display line: full screen"},
        {{"Down", "Right", "Left"}, false, true, true, "and Left: the window again"},
        {{"Down", "Tab", "Return"}, true, true, true, "FULL SCREEN lit by Tab, Enter"},
        {{"Down", "Down", "Right"}, false, false, true, "music off"},
        {{"Down", "Down", "Right", "Left"}, false, true, true, "music on again"},
        {{"Down", "Down", "Down", "Right"}, false, true, false, "sound off"},
        {{"Up", "Up", "Up", "Right"}, false, true, false, "from below, round the end"},
        // Up and Down only move: from SOUND OFF up to MUSIC OFF leaves the music on.
        {{"Down", "Down", "Down", "Right", "Up", "Up", "Left", "Right"}, true, true, false, "two lines"},
    };
    for (const Case& c : cases) {
        const json state = Run(options + Keys(900, c.keys), 900 + 100 * c.keys.size() + 50);
        EXPECT_EQ(state["ScreenState"], 6) << c.what;
        EXPECT_EQ(state["GameFullScreen"], c.fullScreen) << c.what;
        EXPECT_EQ(state["fullScreenWindow"], c.fullScreen) << c.what;
        EXPECT_EQ(state["GameMusic"], c.music) << c.what;
        EXPECT_EQ(state["music"], c.music ? json("Menu") : json(nullptr)) << c.what;
        EXPECT_EQ(state["GameSound"], c.sound) << c.what;
    }
    // The lit line is marked before its words.
    const json marked = Run(options + Keys(900, {"Down", "Down"}), 1150);
    EXPECT_TRUE(Drew(marked, ">", 285));
    EXPECT_FALSE(Drew(marked, ">", 255));
}

TEST_F(KeyboardScenario, TheCountryIsTypedIntoTheLitFieldAndBackSavesEverything) {
    // A country stored already: the field does not take typing until it is lit.
    ConfigValues stored;
    stored.country = "Malta";
    WriteSettings(stored);
    const std::string options = kMainMenu + Keys(500, {"Down", "Down", "Return"});
    const json untouched = Run(options + "900 char xyz\n", 1000);
    EXPECT_FALSE(untouched["GamegoEdit"]);
    EXPECT_EQ(untouched["CountryName"], "Malta");
    // Up from nothing lights Back; up again the field, which then takes typing.
    const std::string edit = options + Keys(900, {"Up", "Up", "Backspace", "Backspace"}) + "1300 char ta\n";
    const json typed = Run(edit, 1400);
    EXPECT_TRUE(typed["GamegoEdit"]);
    EXPECT_EQ(typed["CountryName"], "Malta");  // "Mal" and "ta"
    // Up to the sound, switched off; down past the field to Back, whose Enter goes back and
    // writes the file.
    const json saved =
        Run(edit + Keys(1400, {"Up", "Right", "Down", "Down", "Return"}) + "2000 char q\n", 2100);
    EXPECT_EQ(saved["ScreenState"], 2);
    const ConfigValues file = SavedSettings();
    EXPECT_EQ(file.country, "Malta");
    EXPECT_FALSE(file.sound);
    EXPECT_TRUE(file.music);
}

// ---------------------------------------------------------------------------------------------
// The name entry after a game

TEST_F(KeyboardScenario, ANameGoesIntoTheTableFromTheKeyboardWithTheSendBoxTicked) {
    // A game left by Escape and Y with a score for the table; the name panel opens 5 s later.
    const std::string over = "2500 set Score 2600\n" + Keys(2600, {"Escape", "Y"});
    const json panel = Run(over, 8000, "--play 1");
    EXPECT_EQ(panel["ScreenState"], 10);
    EXPECT_TRUE(panel["GameEnterName"]);
    EXPECT_TRUE(panel["GamegoEdit"]);
    // Typed, the send box lit below the name and ticked by Enter, the name lit again and Enter.
    const std::string named = over + "8100 char Rex\n" + Keys(8200, {"Down", "Down", "Return"});
    const json ticked = Run(named, 8550, "--play 1");
    EXPECT_TRUE(ticked["GameSendResult"]);
    EXPECT_EQ(ticked["ScreenState"], 10);
    EXPECT_EQ(Count(ticked, "TEnter_Name_Send"), 1);
    const json table = Run(named + Keys(8600, {"Up", "Return"}), 9000, "--play 1");
    EXPECT_EQ(table["ScreenState"], 7);
    EXPECT_EQ(table["highScores"][1]["name"], "Rex");
    EXPECT_EQ(table["highScores"][1]["score"], 2600);
    EXPECT_EQ(SavedSettings().name, "Rex");
    // Without the send box: typed and Enter (no name stored from the run before).
    std::filesystem::remove(folder.Home() / "Config.cfg");
    const json plain = Run(over + "8100 char Ann\n" + Keys(8200, {"Return"}), 8500, "--play 1");
    EXPECT_EQ(plain["ScreenState"], 7);
    EXPECT_EQ(plain["highScores"][1]["name"], "Ann");
    EXPECT_FALSE(plain["GameSendResult"]);
}

TEST_F(KeyboardScenario, AGameEndedOnTheRoadGoesToTheNameEntryFromTheKeyboardAlone) {
    // Started from the menu as the Dragons, the last car lost to a police post.
    const std::string script = kMainMenu + Keys(500, {"Return", "Right", "Return"}) +
                               "7200 set Score 99999\n7200 set Lives 1\n7200 spawn TPoliceState 400 330\n";
    const json over = Run(script, 7500);
    EXPECT_EQ(over["ScreenState"], 10);
    EXPECT_EQ(over["Clan"], 2);
    const json table = Run(script + "13000 char Kim\n" + Keys(13100, {"Return"}), 13400);
    EXPECT_EQ(table["ScreenState"], 7);
    EXPECT_EQ(table["highScores"][0]["name"], "Kim");
    EXPECT_EQ(table["highScores"][0]["score"], 99999);
}

// ---------------------------------------------------------------------------------------------
// The gamepad's d-pad is the arrows

TEST_F(KeyboardScenario, TheDpadMovesTheLightAsTheArrowsDo) {
    struct Case {
        std::vector<std::string> keys;
        std::vector<std::string> buttons;
    };
    const Case cases[] = {
        {{"Down"}, {"down"}},
        {{"Up", "Up"}, {"up", "up"}},
        {{"Return", "Right", "Return"}, {"start", "right", "start"}},
        {{"Return", "Right", "Left", "Return"}, {"start", "right", "left", "start"}},
        {{"Escape", "Right", "Return"}, {"back", "right", "start"}},
        {{"Down", "Down", "Return", "Down", "Down", "Right"},
         {"down", "down", "start", "down", "down", "right"}},
    };
    const char* const fields[] = {"ScreenState", "Clan", "GameMainExit", "GameMusic", "music", "pointer"};
    // A country stored: the options' field does not take typing, so the d-pad is not the letter
    // chooser's there.
    ConfigValues stored;
    stored.country = "Malta";
    for (const Case& c : cases) {
        WriteSettings(stored);
        std::string what;
        for (const std::string& b : c.buttons) what += b + " ";
        const uint64_t until = 500 + 100 * c.keys.size() + 100;
        const json keys = Run(kMainMenu + Keys(500, c.keys), until);
        WriteSettings(stored);
        const json pad = Run(kMainMenu + Pad(500, c.buttons), until);
        for (const char* field : fields) EXPECT_EQ(pad[field], keys[field]) << what << field;
        EXPECT_EQ(pad["sprites"], keys["sprites"]) << what;
        EXPECT_EQ(pad["soundsPlayed"], keys["soundsPlayed"]) << what;
    }
    // The quit overlay in play answers the d-pad too.
    const json goOn = Run(Pad(2600, {"back", "right", "start"}), 3000, "--play 1");
    EXPECT_EQ(goOn["ScreenState"], 4);
    EXPECT_FALSE(goOn["GameMainExit"]);
    EXPECT_TRUE(goOn["Driving"]);
    const json quit = Run(Pad(2600, {"back", "left", "start"}), 3000, "--play 1");
    EXPECT_EQ(quit["ScreenState"], 2);
}

// ---------------------------------------------------------------------------------------------
// The pointer and the keys take the light from each other

TEST_F(KeyboardScenario, WhicheverWasUsedLastShowsItsHighlight) {
    // A key after the pointer: the pointer's item goes dark, the key's lights.
    const json key =
        Run(kMainMenu + "500 mouse-move 300 300\n600 mouse-move 600 350\n" + Keys(700, {"Down"}), 750);
    EXPECT_EQ(Count(key, "Help"), 0);
    EXPECT_EQ(Count(key, "Start_Game"), 1);
    // A pointer move after the keys: the keys' item goes dark and Enter no longer chooses it.
    const json pointer = Run(kMainMenu + Keys(500, {"Down", "Down"}) + "700 mouse-move 300 300\n", 750);
    EXPECT_EQ(Count(pointer, "Options"), 0);
    const json enter = Run(
        kMainMenu + Keys(500, {"Down", "Down"}) + "700 mouse-move 300 300\n" + Keys(800, {"Return"}), 900);
    EXPECT_EQ(enter["ScreenState"], 3);  // nothing lit: a game, not the options
    // On the clan choice the pointer's picture gives way to the keys' and back.
    const json clan =
        Run(kMainMenu + Keys(500, {"Return"}) + "700 mouse-move 100 300\n" + Keys(800, {"Right", "Return"}),
            1000);
    EXPECT_EQ(clan["Clan"], 2);
}

}  // namespace
