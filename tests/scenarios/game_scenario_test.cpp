// The game screen the way a player meets it: vandrax-sim starts a game (--play), a script
// drives, the state file and the per-frame trace tell what happened. Set-up lines ("set",
// "spawn", "remove") put the road in the situation a case needs.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "sim_run.h"
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// The intro is over and the field quiet by this time: the truck has left (about 350 frames),
// the first rival and the roadside post are taken off the road.
const char* const kQuietRoad =
    "6500 remove TEnemyCarFirst\n"
    "6500 remove TStolb\n"
    "6500 remove TZnak\n";

class GameScenario : public ::testing::Test {
protected:
    // Plays clan 1 from the start until `untilMs` with the script; returns the state and fills
    // `trace` with one object a frame.
    json Play(const std::string& script, uint64_t untilMs, const std::string& extra = "") {
        return PlayAt(script, {untilMs}, extra)[0];
    }

    // As Play, one run and the states at each of `moments` (SimFolder::RunAt); the trace is the
    // whole run's.
    std::vector<json> PlayAt(const std::string& script, const std::vector<uint64_t>& moments,
                             const std::string& extra = "") {
        fs::remove(folder.TraceFile());
        const std::vector<json> results = folder.RunAt(
            script, moments, "--seed 7 --play 1 --trace " + folder.TraceFile().string() + " " + extra);
        trace = folder.Trace();
        for (const json& result : results)
            EXPECT_EQ(result.value("errors", json::array()).size(), 0u) << result["errors"];
        return results;
    }

    // The first traced frame at or after `ms`.
    size_t FrameAt(uint64_t ms) const {
        for (size_t i = 0; i < trace.size(); ++i)
            if (trace[i]["ms"].get<uint64_t>() >= ms) return i;
        ADD_FAILURE() << "no frame at " << ms;
        return trace.size() - 1;
    }

    static bool HudHas(const json& state, const std::string& text) {
        for (const json& t : state["hud"])
            if (t["text"] == text) return true;
        return false;
    }

    scenario::SimFolder folder{"game"};
    const fs::path& dir = folder.Dir();
    std::vector<json> trace;
};

TEST_F(GameScenario, TheTruckBringsTheCarInAndHandsOverAtSpeedTwo) {
    const json state = Play("", 8000);
    size_t handover = 0;
    for (size_t i = 1; i < trace.size(); ++i) {
        if (trace[i]["Driving"] && !trace[i]["LevelIntro"]) {
            handover = i;
            break;
        }
        EXPECT_TRUE(trace[i]["LevelIntro"]) << "frame " << i;
    }
    ASSERT_GT(handover, 0u) << "the intro never ended";
    // 167 frames up to Y 99, the opening, 146 frames to leave the top of the screen.
    EXPECT_NEAR(static_cast<double>(trace[handover]["frame"].get<int>()), 350, 20);
    EXPECT_EQ(trace[handover]["Speed"], 2.0);
    EXPECT_EQ(trace[handover]["Level"], 1);
    EXPECT_EQ(trace[handover]["Lives"], 3);
    EXPECT_EQ(state["Score"], 0);
    EXPECT_EQ(state["LevelLength"], 20000);
    EXPECT_EQ(state["sprites"].value("TCarFura", 0), 0);
}

TEST_F(GameScenario, ThrottleCoastingHoldAndHandbrakeChangeTheSpeedFrameByFrame) {
    // Up from the handover, then down alone (holds), then nothing (coasts), then the handbrake.
    const std::string script = std::string(kQuietRoad) +
                               "5000 key-down Up\n"
                               "7500 key-up Up\n"
                               "7500 key-down Down\n"
                               "8000 key-up Down\n"
                               "8500 key-down space\n";
    Play(script, 8700);
    struct Stretch {
        uint64_t from, to;
        double perFrame;
        const char* what;
    };
    const Stretch stretches[] = {{6600, 7450, 30.0 / 900, "throttle at full health"},
                                 {7550, 7950, 0.0, "down alone neither brakes nor coasts"},
                                 {8050, 8450, -30.0 / 1500, "coasting"},
                                 {8550, 8680, -30.0 / 250 - 30.0 / 1500, "handbrake and coasting"}};
    for (const Stretch& s : stretches) {
        for (size_t i = FrameAt(s.from) + 1; i < FrameAt(s.to); ++i)
            EXPECT_NEAR(trace[i]["Speed"].get<double>() - trace[i - 1]["Speed"].get<double>(), s.perFrame,
                        1e-9)
                << s.what << " at " << trace[i]["ms"];
    }
    // The handbrake squeals on every frame it is held at speed.
    for (size_t i = FrameAt(8550); i < FrameAt(8680); ++i) {
        const json& sounds = trace[i]["sounds"];
        EXPECT_NE(std::find(sounds.begin(), sounds.end(), "ruchnik"), sounds.end()) << trace[i]["ms"];
    }
}

TEST_F(GameScenario, AStoppedCarStartsAtOneAndSpeedsBelowOneStop) {
    const std::string script = std::string(kQuietRoad) + "7600 key-down Up\n";
    Play(script, 7700);
    // Coasting from 2.0 at 0.02 a frame ends at 0 on the first frame below 1.
    const size_t pressed = FrameAt(7600);
    EXPECT_EQ(trace[pressed - 1]["Speed"], 0.0);
    EXPECT_EQ(trace[pressed]["Speed"], 1.0);
    bool stoppedFromOne = false;
    for (size_t i = FrameAt(6000); i < pressed; ++i) {
        const double speed = trace[i]["Speed"].get<double>();
        EXPECT_TRUE(speed == 0 || speed >= 1.0) << trace[i]["ms"];
        if (speed == 0 && trace[i - 1]["Speed"].get<double>() > 0) {
            EXPECT_LT(trace[i - 1]["Speed"].get<double>(), 1.02 + 1e-9);
            stoppedFromOne = true;
        }
    }
    EXPECT_TRUE(stoppedFromOne);
}

TEST_F(GameScenario, HealthBandsSetTopSpeedAndAcceleration) {
    struct Band {
        double health;
        double maxSpeed;
        int acceleration;
    };
    // round(24.6) = 25 falls in the second band; halves go to the even neighbour.
    const Band bands[] = {{100, 10.0, 30}, {75, 10.0, 30},   {74.4, 8.5, 60}, {49.5, 8.5, 60},
                          {24.6, 7.0, 90}, {24.5, 5.5, 120}, {0, 5.5, 120}};
    for (const Band& b : bands) {
        const json state =
            Play(std::string(kQuietRoad) + "7000 set Health " + std::to_string(b.health) + "\n", 7100);
        EXPECT_EQ(state["MaxSpeed"], b.maxSpeed) << b.health;
        EXPECT_EQ(state["Acceleration"], b.acceleration) << b.health;
    }
}

TEST_F(GameScenario, SteeringFollowsTheSpeedAndStopsAtTheRoadsEdges) {
    const json left = Play(std::string(kQuietRoad) +
                               "6600 set Speed 6.5\n"
                               "6600 key-down Down\n"
                               "6600 key-down Left\n",
                           9000);
    EXPECT_EQ(left["PlayerX"], 90);
    // 6.5 / 1.3 = 5 pixels a frame.
    const size_t f = FrameAt(6700);
    EXPECT_NEAR(trace[f]["PlayerX"].get<double>() - trace[f + 1]["PlayerX"].get<double>(), 5.0, 1e-9);
    const json right = Play(std::string(kQuietRoad) +
                                "6600 set Speed 6.5\n"
                                "6600 key-down Down\n"
                                "6600 key-down Right\n",
                            9000);
    EXPECT_EQ(right["PlayerX"], 650);
}

TEST_F(GameScenario, ReachingTheEndOfLevelOneStartsLevelTwo) {
    const json state = Play(std::string(kQuietRoad) +
                                "6600 set Distance 19990\n"
                                "6600 set Speed 9\n"
                                "6600 key-down Down\n",
                            7000);
    EXPECT_EQ(state["Level"], 2);
    EXPECT_EQ(state["Score"], 50);
    EXPECT_EQ(state["LevelLength"], 25000);
    EXPECT_EQ(state["Lives"], 3);
    EXPECT_TRUE(state["LevelIntro"]);
    EXPECT_EQ(state["Distance"], 0);
    EXPECT_FALSE(state["HasWeapon"]);
    const json& sounds = state["soundsPlayed"];
    EXPECT_NE(std::find(sounds.begin(), sounds.end(), "viva"), sounds.end());
    // The banner of the new level shows while its timer runs.
    EXPECT_TRUE(HudHas(state, "Level 2"));
}

TEST_F(GameScenario, ACarLostMidLevelGoesOnAtTheSameDistance) {
    // A police post on the car costs it, whatever its health.
    const json state = Play(std::string(kQuietRoad) +
                                "6600 set Distance 5000\n"
                                "6600 set HasWeapon 1\n"
                                "6600 set Ammo 5\n"
                                "6600 spawn TPoliceState 400 330\n",
                            6700);
    EXPECT_EQ(state["ScreenState"], 4);
    EXPECT_EQ(state["Level"], 1);
    EXPECT_EQ(state["Lives"], 2);
    EXPECT_EQ(state["Distance"], 5000);
    EXPECT_EQ(state["Health"], 100);
    EXPECT_FALSE(state["HasWeapon"]);
    EXPECT_EQ(state["Ammo"], 0);
    EXPECT_TRUE(state["StartBlink"]);
    EXPECT_EQ(state["sprites"]["TCarSprite"], 1);
}

TEST_F(GameScenario, TheLastCarLostEndsTheGame) {
    const std::string lost = std::string(kQuietRoad) +
                             "6600 set Lives 1\n"
                             "6600 spawn TPoliceState 400 330\n";
    const std::vector<json> states = PlayAt(lost + "12500 key-down Escape\n", {6800, 12400, 12800});
    const json& over = states[0];
    EXPECT_EQ(over["ScreenState"], 10);
    EXPECT_EQ(over["music"], "GameOver");
    // A score too small for the table: after its 5000 ms the page waits for the player, and
    // Escape goes back to the main menu after a short pause.
    const json& waiting = states[1];
    EXPECT_EQ(waiting["ScreenState"], 10);
    EXPECT_FALSE(waiting["timers"]["Timer1"]);
    const json& menu = states[2];
    EXPECT_EQ(menu["ScreenState"], 2);
}

TEST_F(GameScenario, PauseAndQuitKeysWaitForTheLevelBanner) {
    struct Case {
        const char* script;
        bool paused;
        bool quitOverlay;
        const char* what;
    };
    const Case cases[] = {
        {"1000 key-down P\n", false, false, "P during the banner"},
        {"1000 key-down Escape\n", false, false, "Escape during the banner"},
        {"2500 key-down P\n", true, false, "P after the banner"},
        {"2500 key-down P\n2700 key-down P\n", false, false, "a second P resumes"},
        {"2500 key-down P\n2700 key-down Escape\n", true, false, "Escape while paused"},
        {"2500 key-down Escape\n", false, true, "Escape after the banner"},
        {"2500 key-down Escape\n2700 key-down P\n", false, true, "P with the quit overlay open"},
    };
    for (const Case& c : cases) {
        const json state = Play(c.script, 3000);
        EXPECT_EQ(state["Paused"], c.paused) << c.what;
        EXPECT_EQ(state["GameMainExit"], c.quitOverlay) << c.what;
        EXPECT_EQ(HudHas(state, "PAUSE"), c.paused) << c.what;
        if (c.quitOverlay) {
            EXPECT_EQ(state["caption"], "Vandrax [Pause]") << c.what;
        }
    }
}

TEST_F(GameScenario, NitroHoldsFourteenThenGivesBackTheRoundedSpeed) {
    const json state = Play(std::string(kQuietRoad) +
                                "6600 key-down Down\n"
                                "6600 set Speed 6.7\n"
                                "6700 spawn TNitroSprite 458 399\n",
                            16000);
    // 15 on the frame of the pickup (the road moves 15), 14 from the next frame on.
    const size_t picked = FrameAt(6700);
    EXPECT_EQ(trace[picked]["Distance"].get<int>() - trace[picked - 1]["Distance"].get<int>(), 15);
    EXPECT_EQ(trace[picked + 1]["Distance"].get<int>() - trace[picked]["Distance"].get<int>(), 14);
    EXPECT_EQ(trace[FrameAt(9000)]["Speed"], 14.0);
    EXPECT_EQ(state["Speed"], 7.0);
    EXPECT_FALSE(state["NitroOn"]);
    EXPECT_EQ(state["SpeedBeforeNitro"], 7);
}

TEST_F(GameScenario, PassingASignTooFastStartsAChase) {
    const json state = Play(std::string(kQuietRoad) +
                                "6600 key-down Down\n"
                                "6600 set Speed 9.5\n"
                                "6610 spawn TZnak 715 380\n",
                            6700);
    EXPECT_TRUE(state["PoliceChase"]);
    EXPECT_TRUE(state["PoliceCarPresent"]);
    EXPECT_EQ(state["sprites"]["TCarPolice"], 1);
    EXPECT_EQ(state["sprites"]["TIndexPolice"], 1);
    EXPECT_TRUE(state["gameTimers"]["Timer_police"]);
    const json& sounds = state["soundsPlayed"];
    EXPECT_NE(std::find(sounds.begin(), sounds.end(), "police"), sounds.end());
}

TEST_F(GameScenario, AnArrestSlowsTheCarUntilItIsLost) {
    // The police car lined up right in front of the car: its bottom 70 px above the car's top.
    const json state = Play(std::string(kQuietRoad) +
                                "6600 key-down Down\n"
                                "6600 set Speed 5\n"
                                "6600 spawn TCarPolice 458 209\n",
                            9500);
    EXPECT_EQ(state["Lives"], 2);
    EXPECT_FALSE(state["Arrested"]);
    // About 120 frames from 5 down to 0.2 at 0.04 a frame.
    size_t arrested = 0;
    for (size_t i = FrameAt(6600); i < trace.size() && arrested == 0; ++i)
        if (trace[i]["Lives"] == 2) arrested = i;
    ASSERT_GT(arrested, 0u);
    EXPECT_NEAR(static_cast<double>(arrested - FrameAt(6600)), 120, 5);
}

TEST_F(GameScenario, EachGunFiresItsVolley) {
    struct Case {
        int kind;
        int shots;
    };
    const Case cases[] = {{1, 1}, {2, 2}, {3, 2}, {4, 3}, {7, 0}};
    for (const Case& c : cases) {
        const json state = Play(std::string(kQuietRoad) + "6600 set HasWeapon 1\n6600 set WeaponKind " +
                                    std::to_string(c.kind) + "\n6600 set Ammo 8\n6700 key-down Q ctrl\n",
                                6720);
        EXPECT_EQ(state["Score"], 5 * c.shots) << "kind " << c.kind;
        EXPECT_EQ(state["Ammo"], 8 - c.shots) << "kind " << c.kind;
        EXPECT_EQ(state["sprites"].value("TBuletSprite", 0), c.shots) << "kind " << c.kind;
        EXPECT_EQ(state["ShotInFlight"], c.shots > 0) << "kind " << c.kind;
    }
}

TEST_F(GameScenario, EachPickupTakesEffectWhenTheCarTouchesIt) {
    struct Case {
        const char* pickup;
        const char* field;
        double expected;
        int score;
    };
    const Case cases[] = {{"TLiveSprite", "Lives", 4, 20},
                          {"TGunsSprite", "Ammo", 8, 20},
                          {"TBonusSprite", "Score", 100, 100},
                          {"TMedicSprite", "Health", 70, 20},
                          {"TNitroSprite", "NitroOn", 1, 50}};
    for (const Case& c : cases) {
        const json state =
            Play(std::string(kQuietRoad) + "6600 set Health 50\n6700 spawn " + c.pickup + " 458 420\n", 6760);
        const json& value = state[c.field];
        EXPECT_EQ(value.is_boolean() ? (value.get<bool>() ? 1.0 : 0.0) : value.get<double>(), c.expected)
            << c.pickup;
        EXPECT_EQ(state["Score"], c.score) << c.pickup;
    }
}

TEST_F(GameScenario, AMissingRoadPictureIsToldOnceAndThePlayerIsBackOnTheMenu) {
    // A main pack without the road's pictures: the menu pack in its place.
    const fs::path data = dir / "data";
    fs::create_directories(data / "Data");
    fs::copy(fs::path(VANDRAX_DATA) / "Music", data / "Music", fs::copy_options::recursive);
    for (const char* pack : {"GraphicsMenu.dxg", "Sound.dxw"})
        fs::copy_file(fs::path(VANDRAX_DATA) / "Data" / pack, data / "Data" / pack);
    fs::copy_file(fs::path(VANDRAX_DATA) / "Data" / "GraphicsMenu.dxg", data / "Data" / "GraphicsMain.dxg");
    const json state = [&] {
        const fs::path stateFile = dir / "bad.json";
        const std::string command = std::string(VANDRAX_SIM) + " --data " + data.string() + " --home " +
                                    (dir / "home").string() + " --play 2 --until-ms 3000 --state " +
                                    stateFile.string() + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::ifstream in(stateFile);
        return json::parse(in);
    }();
    EXPECT_EQ(state["ScreenState"], 2);
    ASSERT_EQ(state["errors"].size(), 1u);
    EXPECT_EQ(state["errors"][0], "Image 'background' not found");
    // Nothing changed, so nothing was written: not by start-up, not by the failure.
    EXPECT_FALSE(fs::exists(dir / "home" / "Config.cfg"));
}

}  // namespace
