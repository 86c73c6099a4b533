// The whole game with a gamepad alone, through SDL's own game-controller path: a virtual joystick
// pressed and pushed by the script (vandrax-sim --sdl-pad), its events translated by the game's
// SdlEventSource. Start leaves the splash, the stick takes the pointer to START GAME and to a
// clan, south clicks; in the game the stick steers and south fires; Back opens the quit overlay
// and the stick and south answer YES; the name goes in with the letter chooser and Start.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim_run.h"
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// A tap of a pad button at `ms`.
std::string Tap(int ms, const char* button) {
    return std::to_string(ms) + " pad-down " + button + "\n" + std::to_string(ms + 30) + " pad-up " + button +
           "\n";
}

// The stick pushed fully along one axis (0 X, 1 Y) for `forMs`, then let go.
std::string Push(int ms, int axis, int value, int forMs) {
    return std::to_string(ms) + " pad-axis " + std::to_string(axis) + " " + std::to_string(value) + "\n" +
           std::to_string(ms + forMs) + " pad-axis " + std::to_string(axis) + " 0\n";
}

// From start-up to the game over of a score good enough for the table, by the pad alone; the
// game-over screen opens its name panel at about 14900.
std::string ToTheNameEntry() {
    std::string s;
    s += Tap(300, "start");         // the splash: Start is Enter
    s += Push(400, 0, 32767, 800);  // the main menu: to START GAME
    s += Push(1300, 1, 32767, 175);
    s += Tap(1600, "south");
    s += Push(1800, 0, 32767, 275);  // the clan choice: from the Bulldogs to the Dragons
    s += Tap(2200, "south");
    // The truck has let the car out by 8100: armed, it steers left and fires.
    s += "8500 set HasWeapon 1\n8500 set WeaponKind 1\n8500 set Ammo 20\n";
    s += Push(8500, 0, -32768, 500);
    s += Tap(9100, "south");
    s += "9400 set Score 5000\n";
    s += Tap(9500, "back");          // the quit overlay
    s += Push(9600, 0, -32768, 80);  // to YES
    s += Push(9700, 1, 32767, 80);
    s += Tap(9900, "south");
    return s;
}

// The name: C (right twice, up), A (left twice, up), B (right, up), a stray B erased (up,
// down), then Start.
std::string EnterTheName() {
    std::string s;
    int t = 15200;
    for (const char* button : {"right", "right", "up", "left", "left", "up", "right", "up", "up", "down"}) {
        s += Tap(t, button);
        t += 100;
    }
    return s + Tap(16400, "start");
}

class PadScenario : public ::testing::Test {
protected:
    // One run of the script and its states at each of `moments` (SimFolder::RunAt).
    std::vector<json> RunAt(const std::string& script, const std::vector<uint64_t>& moments) {
        // The pad's own events only: no key, character or pointer line.
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string at, event;
            words >> at >> event;
            EXPECT_TRUE(event.rfind("pad-", 0) == 0 || event == "set") << line;
        }
        fs::remove_all(folder.Home());
        const std::vector<json> results =
            folder.RunAt(script, moments, "--seed 3 --sdl-pad --trace " + folder.TraceFile().string(),
                         "SDL_VIDEODRIVER=dummy");
        for (const json& result : results) EXPECT_EQ(result["errors"].size(), 0u) << result["errors"];
        return results;
    }

    std::vector<json> Trace() const { return folder.Trace(); }

    static bool HudHas(const json& state, const std::string& text) {
        for (const json& t : state["hud"])
            if (t["text"] == text) return true;
        return false;
    }

    scenario::SimFolder folder{"pad"};
};

TEST_F(PadScenario, MenusAndAGameWithThePadAlone) {
    // The whole way in one run, looked at on the game screen, at the quit overlay, at the game
    // over, with the name typed and in the table.
    const std::vector<json> states =
        RunAt(ToTheNameEntry() + EnterTheName(), {2400, 9800, 15000, 16300, 16600});
    // On the game screen with the clan the stick pointed at.
    const json& playing = states[0];
    EXPECT_EQ(playing["ScreenState"], 4);
    EXPECT_EQ(playing["Clan"], 2);
    // Every pad event came out of SDL: 2 a tap, 2 a push.
    EXPECT_EQ(playing["sdlPadEvents"], 12);

    const json& overlay = states[1];
    EXPECT_EQ(overlay["ScreenState"], 4);
    EXPECT_TRUE(overlay["GameMainExit"]);
    EXPECT_EQ(overlay["Ammo"], 19);  // one shot fired
    const std::vector<json> trace = Trace();
    double before = 0;
    double after = 0;
    for (const json& frame : trace) {
        if (frame["ms"] < 8500) before = frame["PlayerX"];
        if (frame["ms"] < 9050) after = frame["PlayerX"];
    }
    EXPECT_LT(after, before - 15) << "the stick steers left";

    const json& over = states[2];
    EXPECT_EQ(over["ScreenState"], 10);
    EXPECT_TRUE(over["GameEnterName"]);
    EXPECT_TRUE(over["GamegoEdit"]);
    // The chooser shows once the pad is used on the screen.
    EXPECT_FALSE(HudHas(over, "LEFT/RIGHT: LETTER    UP: TYPE    DOWN: ERASE    START: OK"));

    const json& typing = states[3];
    EXPECT_EQ(typing["PlayerName"], "CAB");
    EXPECT_TRUE(HudHas(typing, "LEFT/RIGHT: LETTER    UP: TYPE    DOWN: ERASE    START: OK"));

    const json& table = states[4];
    EXPECT_EQ(table["ScreenState"], 7);
    bool listed = false;
    for (const json& row : table["highScores"])
        listed = listed || (row["name"] == "CAB" && row["score"] == 5000);
    EXPECT_TRUE(listed) << table["highScores"];
}

}  // namespace
