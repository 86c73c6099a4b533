// What stands on or beside the road, and the removal line below the screen.
#include "world/obstacles.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "world/explosion.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/signs.h"
#include "world/traffic.h"
#include "world_fixture.h"

namespace {

class ObstacleTest : public WorldTest {
public:
    // The player's car as a still target (its own step does not run).
    TCarSprite* PlayerCarAt(double x, double y, int32_t height = 100) {
        auto* car = new TCarSprite(world);
        car->CanMove = false;
        car->X = x;
        car->Y = y;
        car->Width = 60;
        car->Height = height;
        return car;
    }
    // Another family's object as a still box: only its class matters here.
    template <class T, class... Args>
    T* Still(double x, double y, Args... args) {
        auto* s = new T(world, args...);
        s->CanMove = false;
        s->X = x;
        s->Y = y;
        s->Width = 60;
        s->Height = 60;
        return s;
    }
    void Reset() {
        Root().FreeChildren();
        ClearSounds();
        flow.carsLost = 0;
    }
};

using Factory = std::function<TSprite*(WorldContext&)>;

struct Made {
    const char* name;
    Factory make;
};

const Made kObstacles[] = {
    {"post", [](WorldContext& w) -> TSprite* { return new TStolb(w); }},
    {"rocks", [](WorldContext& w) -> TSprite* { return new TRocksMassovka(w); }},
    {"police post", [](WorldContext& w) -> TSprite* { return new TPoliceState(w); }},
    {"spike strip", [](WorldContext& w) -> TSprite* { return new TPoliceShips(w, 290); }},
    {"barrier", [](WorldContext& w) -> TSprite* { return new TPoliceZabor(w, 450); }},
    {"puddle", [](WorldContext& w) -> TSprite* { return new TLuja(w); }},
    {"driven puddle", [](WorldContext& w) -> TSprite* { return new TLujaUje(w, 300, 200); }},
};

TEST_F(ObstacleTest, EachStartsWithItsPictureWhereItBelongs) {
    struct Case {
        const char* picture;
        Factory make;
        std::set<double> xs;
        double y;
        int32_t z;
    };
    const Case cases[] = {
        {"stolb", kObstacles[0].make, {550}, -150, 6},
        {"rocks", kObstacles[1].make, {0, 700}, 0, 2},
        {"policeState", kObstacles[2].make, {35}, -180, 3},
        {"shipi", kObstacles[3].make, {290}, -50, 2},
        {"zagrajdenie", kObstacles[4].make, {450}, -45, 2},
        {"luja", kObstacles[5].make, {100, 250, 400, 550}, -50, 1},
        {"lujaUje", kObstacles[6].make, {310}, 200, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        std::set<double> seen;
        for (int i = 0; i < 60; ++i) {
            auto* s = static_cast<TImageSprite*>(c.make(world));
            EXPECT_EQ(s->ImageItem, &images.FindImage(c.picture));
            EXPECT_EQ(s->Width, images.FindImage(c.picture).PatternWidth());
            EXPECT_EQ(s->Height, images.FindImage(c.picture).PatternHeight());
            seen.insert(s->X);
            EXPECT_EQ(s->Y, c.y);
            EXPECT_EQ(s->Z(), c.z);
            EXPECT_EQ(s->FrameSpeed, 0);
            s->Kill();
            engine.RemoveDead();
        }
        EXPECT_EQ(seen, c.xs);
    }
}

TEST_F(ObstacleTest, ThePolicePostAnnouncesItselfAndReportsWhereItIs) {
    state.PolicePostPresent = false;
    auto* post = new TPoliceState(world);
    EXPECT_TRUE(state.PolicePostPresent);
    state.Speed = 4;
    Frame();
    EXPECT_EQ(post->Y, -176);
    EXPECT_EQ(state.PolicePostY, -176) << "taken after the move";
    state.Driving = false;
    state.PolicePostY = 0;
    Frame();
    EXPECT_EQ(state.PolicePostY, -176);
}

TEST_F(ObstacleTest, TheRemovalLineLiesAcrossTheRoadBelowTheScreen) {
    auto* line = new TKillerLine(world);
    EXPECT_EQ(line->ImageItem, &images.FindImage("cr_pr"));
    EXPECT_EQ(line->X, 0);
    EXPECT_EQ(line->Y, 750);
    EXPECT_EQ(line->Width, 800);
    EXPECT_EQ(line->Height, 50) << "not the picture's height";
    EXPECT_EQ(line->Z(), 2);
    EXPECT_EQ(line->FrameCount, images.FindImage("cr_pr").PatternCount());
    EXPECT_FALSE(line->FrameLoop);
    EXPECT_EQ(line->FrameSpeed, 0);
}

TEST_F(ObstacleTest, ObstaclesScrollWithTheRoadByAFixedAmountAFrame) {
    for (const Made& m : kObstacles) {
        SCOPED_TRACE(m.name);
        Reset();
        TSprite* s = m.make(world);
        const double y0 = s->Y;
        state.Driving = true;
        state.Speed = 4.5;
        Frame(1);
        EXPECT_EQ(s->Y, y0 + 4.5);
        Frame(7);
        EXPECT_EQ(s->Y, y0 + 9.0) << "the lag does not scale the scroll";
        state.Speed = -1;
        Frame();
        EXPECT_EQ(s->Y, y0 + 8.0);
        state.Driving = false;
        state.Speed = 6;
        Frame();
        EXPECT_EQ(s->Y, y0 + 8.0) << "still while not driving";
    }
    Reset();
    auto* line = new TKillerLine(world);
    state.Driving = true;
    state.Speed = 6;
    Frame();
    EXPECT_EQ(line->Y, 750);
}

TEST_F(ObstacleTest, PostsRocksAndPuddlesRefreshTheInputStatePoliceThingsDoNot) {
    const int up = TDXInput::DefaultBindings()[TDXInput::kUp][0];
    const std::vector<std::pair<Made, bool>> cases = {
        {kObstacles[0], true},
        {kObstacles[1], true},
        {kObstacles[2], false},
        {kObstacles[3], false},
        {kObstacles[4], false},
        {kObstacles[5], true},
        {kObstacles[6], true},
        {{"removal line", [](WorldContext& w) -> TSprite* { return new TKillerLine(w); }}, false},
    };
    for (const auto& [made, refreshes] : cases) {
        SCOPED_TRACE(made.name);
        Reset();
        keyboard.down.clear();
        input.Update();
        made.make(world);
        keyboard.down.insert(up);
        Frame();
        EXPECT_EQ(input.Up(), refreshes);
    }
}

// ---- the roadside post

TEST_F(ObstacleTest, ThePostAgainstThePlayersCar) {
    struct Case {
        const char* name;
        bool banner;
        bool startBlink;
        double health;
        double speed;
        bool postStays;
        double healthAfter;
        double speedAfter;
        int booms;
        std::vector<std::string> sounds;
        int carsLost;
    };
    const Case cases[] = {
        {"during the level banner", true, false, 100, 5, false, 100, 5, 0, {}, 0},
        {"at speed 5", false, false, 100, 5, true, 85, 3, 1, {"boom_stena"}, 0},
        {"at speed 5 while the car blinks", false, true, 100, 5, true, 100, 3, 1, {"boom_stena"}, 0},
        {"at speed 0.5", false, false, 100, 0.5, true, 98.5, -1, 1, {"boom_stena"}, 0},
        {"at speed 1", false, false, 100, 1, true, 97, -1, 1, {"boom_stena"}, 0},
        {"with the last of the health", false, false, 15, 5, true, 0, 3, 1, {"boom"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        auto* post = new TStolb(world);
        PlayerCarAt(post->X + 20, post->Y - 50);
        timers.Timer_Level.SetEnabled(c.banner, flow.now);
        state.StartBlink = c.startBlink;
        state.Health = c.health;
        state.Speed = c.speed;
        state.Driving = false;  // keep the two together for the following frames
        Frame();
        EXPECT_EQ(Count<TStolb>(), c.postStays ? 1 : 0);
        EXPECT_DOUBLE_EQ(state.Health, c.healthAfter);
        EXPECT_DOUBLE_EQ(state.Speed, c.speedAfter);
        EXPECT_EQ(Count<TBoomSprite>(), c.booms);
        EXPECT_EQ(Sounds(), c.sounds);
        EXPECT_EQ(flow.carsLost, c.carsLost);
        // Still touching on the following frames: it hurts only once.
        for (int frame = 0; frame < 5; ++frame) Frame();
        EXPECT_DOUBLE_EQ(state.Health, c.healthAfter);
        EXPECT_EQ(Count<TBoomSprite>(), c.booms);
        EXPECT_EQ(flow.carsLost, c.carsLost);
    }
}

TEST_F(ObstacleTest, ThePostIgnoresEverythingButThePlayersCar) {
    auto* post = new TStolb(world);
    Still<TEnemyCityCar>(post->X, post->Y);
    Still<TEnemyCar>(post->X + 10, post->Y);
    new TLuja(world);
    state.Driving = false;
    state.Speed = 5;
    Frame();
    EXPECT_FALSE(post->HitDone);
    EXPECT_EQ(state.Health, 100);
    EXPECT_EQ(Count<TBoomSprite>(), 0);
}

// ---- spike strip and barrier

TEST_F(ObstacleTest, SpikeStripsAndBarriersAgainstThePlayersCar) {
    struct Case {
        const char* name;
        bool barrier;
        double health;
        double speed;
        bool stays;
        double healthAfter;
        double speedAfter;
        std::vector<std::string> sounds;
        int carsLost;
    };
    const Case cases[] = {
        {"spike strip", false, 100, 6, true, 95, 0, {"boom_stena"}, 0},
        {"spike strip in reverse", false, 100, -1, true, 95, 0, {"boom_stena"}, 0},
        {"spike strip, last health", false, 5, 6, true, 0, 0, {"dead", "boom"}, 1},
        {"barrier", true, 100, 5, false, 70, 4, {"boom_stena"}, 0},
        {"barrier at speed 0.5", true, 100, 0.5, false, 70, 0, {"boom_stena"}, 0},
        {"barrier, last health", true, 30, 5, false, 0, 4, {"dead", "boom"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        TSprite* s = c.barrier ? static_cast<TSprite*>(new TPoliceZabor(world, 450))
                               : static_cast<TSprite*>(new TPoliceShips(world, 290));
        PlayerCarAt(s->X + 10, s->Y - 40);
        state.Health = c.health;
        state.Speed = c.speed;
        state.Driving = false;
        Frame();
        // A barrier is gone after its frame: only a strip that stays can still be asked.
        EXPECT_EQ(Count<TPoliceZabor>() + Count<TPoliceShips>(), c.stays ? 1 : 0);
        if (c.stays) {
            EXPECT_FALSE(s->CanCollide);
        }
        EXPECT_DOUBLE_EQ(state.Health, c.healthAfter);
        EXPECT_DOUBLE_EQ(state.Speed, c.speedAfter);
        EXPECT_EQ(Sounds(), c.sounds);
        EXPECT_EQ(flow.carsLost, c.carsLost);
        EXPECT_EQ(Count<TBoomSprite>(), 0);
        if (c.stays) {
            // A strip that has hit lies harmless on the road.
            state.Speed = 6;
            for (int frame = 0; frame < 3; ++frame) Frame();
            EXPECT_DOUBLE_EQ(state.Health, c.healthAfter);
            EXPECT_EQ(state.Speed, 6);
        }
    }
}

// ---- the police post

TEST_F(ObstacleTest, ThePolicePostAlwaysCostsTheCar) {
    struct Case {
        const char* name;
        double health;
        bool startBlink;
        bool banner;
    };
    const Case cases[] = {
        {"full health", 100, false, false},
        {"while the car blinks", 100, true, false},
        {"during the level banner", 100, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        new TPoliceState(world);
        PlayerCarAt(100, -150);
        state.Health = c.health;
        state.StartBlink = c.startBlink;
        state.Speed = 5;
        timers.Timer_Level.SetEnabled(c.banner, flow.now);
        Frame();
        EXPECT_EQ(Count<TPoliceState>(), 0);
        EXPECT_EQ(Count<TCarSprite>(), 1) << "the game flow, not the post, clears the road";
        EXPECT_EQ(Count<TBoomSprite>(), 1);
        EXPECT_EQ(Sounds(), (std::vector<std::string>{"dead", "boom"}));
        EXPECT_EQ(flow.carsLost, 1);
        EXPECT_EQ(state.Health, c.health);
    }
}

TEST_F(ObstacleTest, ThePolicePostClearsTrafficFromItsPlace) {
    using Maker = std::function<TSprite*(ObstacleTest&)>;
    struct Case {
        const char* name;
        Maker make;
        bool rival;
    };
    const Case cases[] = {
        {"post", [](ObstacleTest& t) -> TSprite* { return t.Still<TStolb>(60, -150); }, false},
        {"puddle", [](ObstacleTest& t) -> TSprite* { return t.Still<TLuja>(60, -150); }, false},
        {"driven puddle", [](ObstacleTest& t) -> TSprite* { return t.Still<TLujaUje>(60, -150, 0.0, 0.0); },
         false},
        {"city car", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCityCar>(60, -150); }, false},
        {"rival", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCar>(60, -150); }, true},
        {"first rival", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCarFirst>(60, -150, -420.0); },
         true},
    };
    for (const Case& c : cases) {
        for (int32_t left : {999, 1000}) {
            SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(left) + " left");
            Reset();
            auto* post = new TPoliceState(world);
            TSprite* other = c.make(*this);
            state.Distance = state.LevelLength - left;
            const int32_t before = Root().ChildCount();
            EXPECT_EQ(post->Collide(), 1);
            EXPECT_EQ(Count<TBoomSprite>(), 1) << "an explosion in any case";
            EXPECT_FALSE(post->Dead());
            if (c.rival) {
                // Rivals are replaced however near the end of the level.
                EXPECT_TRUE(other->Dead());
                EXPECT_EQ(Count<TEnemyCar>(), 1);
                EXPECT_EQ(Root().ChildCount(), before + 2);
            } else if (left < 1000) {
                EXPECT_FALSE(other->Dead());
                EXPECT_EQ(Root().ChildCount(), before + 1) << "nothing but the explosion";
            } else {
                EXPECT_TRUE(other->Dead());
            }
            EXPECT_TRUE(Sounds().empty());
            EXPECT_EQ(flow.carsLost, 0);
        }
    }
}

TEST_F(ObstacleTest, ThePolicePostLeavesOtherThingsAlone) {
    auto* post = new TPoliceState(world);
    TSprite* others[] = {Still<TRocksMassovka>(60, -150), Still<TPoliceShips>(60, -150, 290),
                         Still<TPoliceZabor>(60, -150, 450), Still<TZnak>(60, -150),
                         Still<TCarPolice>(60, -150)};
    EXPECT_EQ(post->Collide(), 5);
    for (TSprite* s : others) EXPECT_FALSE(s->Dead());
    EXPECT_EQ(Count<TBoomSprite>(), 0);
}

TEST_F(ObstacleTest, WhatThePolicePostPutsInPlaceOfWhatItClears) {
    // Drawn from 0..100: 0-10 a post, 11-25 a city car, 26-32 a puddle, the rest nothing.
    auto* post = new TPoliceState(world);
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        auto* victim = Still<TLujaUje>(0, 0, 0.0, 0.0);
        bool done = false;
        post->Hit(victim, done);
        ASSERT_TRUE(victim->Dead());
        engine.RemoveDead();
    }
    EXPECT_EQ(Count<TBoomSprite>(), n);
    EXPECT_NEAR(Count<TStolb>() / double(n), 11 / 101.0, 0.03);
    EXPECT_NEAR(Count<TEnemyCityCar>() / double(n), 15 / 101.0, 0.03);
    EXPECT_NEAR(Count<TLuja>() / double(n), 7 / 101.0, 0.03);
    EXPECT_EQ(Count<TLujaUje>(), 0);
}

// ---- the removal line

TEST_F(ObstacleTest, TheRemovalLineRecyclesTrafficUnlessTheLevelIsNearlyDone) {
    using Maker = std::function<TSprite*(ObstacleTest&)>;
    struct Case {
        const char* name;
        Maker make;
        bool rival;
    };
    const Case cases[] = {
        {"post", [](ObstacleTest& t) -> TSprite* { return t.Still<TStolb>(300, 760); }, false},
        {"puddle", [](ObstacleTest& t) -> TSprite* { return t.Still<TLuja>(300, 760); }, false},
        {"driven puddle", [](ObstacleTest& t) -> TSprite* { return t.Still<TLujaUje>(300, 760, 0.0, 0.0); },
         false},
        {"city car", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCityCar>(300, 760); }, false},
        {"rival", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCar>(300, 760); }, true},
        {"first rival", [](ObstacleTest& t) -> TSprite* { return t.Still<TEnemyCarFirst>(300, 760, -420.0); },
         true},
    };
    for (const Case& c : cases) {
        for (int32_t left : {999, 1000, 5000}) {
            SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(left) + " left");
            Reset();
            auto* line = new TKillerLine(world);
            TSprite* other = c.make(*this);
            state.Distance = state.LevelLength - left;
            const int32_t before = Root().ChildCount();
            EXPECT_EQ(line->Collide(), 1);
            if (left < 1000) {
                EXPECT_FALSE(other->Dead()) << "left to scroll on below the screen";
                EXPECT_EQ(Root().ChildCount(), before);
                continue;
            }
            EXPECT_TRUE(other->Dead());
            ASSERT_EQ(Root().ChildCount(), before + 1) << "exactly one replacement";
            TSprite* added = Root().ChildAt(before);
            if (c.rival) {
                EXPECT_NE(dynamic_cast<TEnemyCar*>(added), nullptr);
            } else {
                EXPECT_TRUE(dynamic_cast<TStolb*>(added) != nullptr ||
                            dynamic_cast<TLuja*>(added) != nullptr ||
                            dynamic_cast<TEnemyCityCar*>(added) != nullptr);
            }
        }
    }
}

TEST_F(ObstacleTest, WhatTheRemovalLinePutsAtTheTop) {
    // Drawn from 0..100: 0-28 a post, 29-56 a puddle, 57-100 a city car.
    auto* line = new TKillerLine(world);
    const int n = 3000;
    for (int i = 0; i < n; ++i) {
        auto* victim = Still<TLujaUje>(0, 760, 0.0, 0.0);
        bool done = false;
        line->Hit(victim, done);
        ASSERT_TRUE(victim->Dead());
        engine.RemoveDead();
    }
    const int posts = Count<TStolb>(), puddles = Count<TLuja>(), cars = Count<TEnemyCityCar>();
    EXPECT_EQ(posts + puddles + cars, n);
    EXPECT_NEAR(posts / double(n), 29 / 101.0, 0.04);
    EXPECT_NEAR(puddles / double(n), 28 / 101.0, 0.04);
    EXPECT_NEAR(cars / double(n), 44 / 101.0, 0.04);
}

TEST_F(ObstacleTest, TheRemovalLineRemovesEverythingElseAndClearsTheFlags) {
    struct Case {
        const char* name;
        std::function<TSprite*(ObstacleTest&)> make;
        bool postGone, signGone, policeCarGone;
    };
    const Case cases[] = {
        {"police post", [](ObstacleTest& t) -> TSprite* { return t.Still<TPoliceState>(300, 760); }, true,
         false, false},
        {"speed sign", [](ObstacleTest& t) -> TSprite* { return t.Still<TZnak>(300, 760); }, false, true,
         false},
        {"police car", [](ObstacleTest& t) -> TSprite* { return t.Still<TCarPolice>(300, 760); }, false,
         false, true},
        {"rocks", [](ObstacleTest& t) -> TSprite* { return t.Still<TRocksMassovka>(300, 760); }, false, false,
         false},
        {"spike strip", [](ObstacleTest& t) -> TSprite* { return t.Still<TPoliceShips>(300, 760, 290); },
         false, false, false},
        {"barrier", [](ObstacleTest& t) -> TSprite* { return t.Still<TPoliceZabor>(300, 760, 450); }, false,
         false, false},
    };
    for (const Case& c : cases) {
        for (int32_t left : {999, 5000}) {
            SCOPED_TRACE(std::string(c.name) + " with " + std::to_string(left) + " left");
            Reset();
            auto* line = new TKillerLine(world);
            TSprite* other = c.make(*this);
            state.Distance = state.LevelLength - left;
            state.PolicePostPresent = state.SignPresent = state.PoliceCarPresent = true;
            const int32_t before = Root().ChildCount();
            EXPECT_EQ(line->Collide(), 1);
            EXPECT_TRUE(other->Dead());
            EXPECT_EQ(Root().ChildCount(), before) << "no replacement";
            EXPECT_EQ(state.PolicePostPresent, !c.postGone);
            EXPECT_EQ(state.SignPresent, !c.signGone);
            EXPECT_EQ(state.PoliceCarPresent, !c.policeCarGone);
        }
    }
}

TEST_F(ObstacleTest, TheTruckAndThePlayersCarPassTheRemovalLine) {
    auto* line = new TKillerLine(world);
    auto* truck = new TCarFura(world);
    truck->CanMove = false;
    ASSERT_GT(truck->Y + truck->Height, 750) << "the truck reaches below the line at the start";
    auto* car = PlayerCarAt(300, 740);
    state.PolicePostPresent = state.SignPresent = state.PoliceCarPresent = true;
    const int32_t before = Root().ChildCount();
    EXPECT_EQ(line->Collide(), 2);
    EXPECT_FALSE(truck->Dead());
    EXPECT_FALSE(car->Dead());
    EXPECT_EQ(Root().ChildCount(), before);
    EXPECT_TRUE(state.PolicePostPresent && state.SignPresent && state.PoliceCarPresent);
}

TEST_F(ObstacleTest, APuddleScrollingOntoTheLineGoesInThatFrame) {
    new TKillerLine(world);
    auto* puddle = new TLuja(world);
    puddle->Y = 700;  // reaches 760 with its 60 pixels
    state.Speed = 5;
    Frame();
    EXPECT_EQ(Count<TLuja>() + Count<TStolb>() + Count<TEnemyCityCar>(), 1) << "its replacement only";
    for (TLuja* p : All<TLuja>()) EXPECT_EQ(p->Y, -50);
}

}  // namespace
