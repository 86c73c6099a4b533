// City traffic coming down the road and the truck that brings the car in at a level start.
#include "world/traffic.h"

#include <cmath>
#include <map>
#include <set>

#include "world/explosion.h"
#include "world/road.h"
#include "world_fixture.h"

namespace {

class TrafficTest : public WorldTest {
protected:
    // The player's car as a still target (its own step does not run), covering (x, y).
    TCarSprite* PlayerCarAt(double x, double y) {
        auto* car = new TCarSprite(world);
        car->CanMove = false;
        car->X = x;
        car->Y = y;
        car->Width = 60;
        car->Height = 100;
        return car;
    }
    // A city car of the given picture (the kind is drawn at random, so draw until it comes up).
    TEnemyCityCar* CityCarOfKind(const std::string& picture) {
        TPictureCollectionItem* wanted = &images.FindImage(picture);
        for (int i = 0; i < 1000; ++i) {
            auto* car = new TEnemyCityCar(world);
            if (car->ImageItem == wanted) return car;
            car->Kill();
            engine.RemoveDead();
        }
        ADD_FAILURE() << "no " << picture << " in 1000 city cars";
        return nullptr;
    }
    void PressUp() {
        keyboard.down.clear();
        input.Update();
        keyboard.down.insert(TDXInput::DefaultBindings()[TDXInput::kUp][0]);
    }
};

const std::map<std::string, double> kOwnSpeeds = {
    {"car1_down", 1.0}, {"car2_down", 1.1}, {"moto_down", 1.7}, {"gruz_down", 0.8}};

TEST_F(TrafficTest, CityCarsComeInFourKindsOnFourLanesAboveTheScreen) {
    std::set<std::string> kinds;
    std::set<double> lanes;
    for (int i = 0; i < 300; ++i) {
        auto* car = new TEnemyCityCar(world);
        std::string picture;
        for (const auto& [name, speed] : kOwnSpeeds)
            if (car->ImageItem == &images.FindImage(name)) picture = name;
        ASSERT_FALSE(picture.empty()) << "not a city car picture";
        kinds.insert(picture);
        EXPECT_EQ(car->OwnSpeed, kOwnSpeeds.at(picture)) << picture;
        EXPECT_EQ(car->Width, images.FindImage(picture).PatternWidth());
        EXPECT_EQ(car->Height, images.FindImage(picture).PatternHeight());
        lanes.insert(car->X);
        EXPECT_EQ(car->Y, -140);
        EXPECT_EQ(car->Z(), 4);
        EXPECT_EQ(car->FrameIndex, 0);
        car->Kill();
        engine.RemoveDead();
    }
    EXPECT_EQ(kinds.size(), 4u);
    EXPECT_EQ(lanes, (std::set<double>{112, 267, 422, 577}));
}

TEST_F(TrafficTest, CityCarsMoveWithTheRoadPlusTheirOwnSpeedWhateverTheLag) {
    struct Case {
        const char* picture;
        double speed;
        bool driving;
        int32_t lag;
        double moved;
    };
    const Case cases[] = {
        {"moto_down", 5, true, 3, 6.7},   {"moto_down", 0, true, 3, 1.7},  {"moto_down", 5, true, 9, 6.7},
        {"car1_down", 5, true, 3, 6.0},   {"car2_down", 5, true, 1, 6.1},  {"gruz_down", 5, true, 3, 5.8},
        {"gruz_down", -1, true, 3, -0.2}, {"moto_down", 5, false, 3, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " at speed " + std::to_string(c.speed));
        TEnemyCityCar* car = CityCarOfKind(c.picture);
        ASSERT_NE(car, nullptr);
        state.Speed = c.speed;
        state.Driving = c.driving;
        Frame(c.lag);
        EXPECT_NEAR(car->Y, -140 + c.moved, 1e-9);
        Frame(c.lag);
        EXPECT_NEAR(car->Y, -140 + 2 * c.moved, 1e-9);
        car->Kill();
        engine.RemoveDead();
    }
}

TEST_F(TrafficTest, CityCarHitByThePlayersCar) {
    struct Case {
        const char* name;
        bool banner;
        bool startBlink;
        bool driving;
        double health;
        double speed;
        double healthAfter;
        double speedAfter;
        int booms;
        std::vector<std::string> sounds;
        int carsLost;
    };
    const Case cases[] = {
        {"during the level banner", true, false, true, 100, 5, 100, 5, 0, {}, 0},
        {"while the car blinks", false, true, true, 100, 5, 100, 3, 1, {"boom_stena"}, 0},
        {"in play", false, false, true, 100, 5, 85, 3, 1, {"boom_stena"}, 0},
        {"in play, last health", false, false, true, 10, 5, -5, 3, 1, {"dead", "boom"}, 1},
        {"while not driving", false, false, false, 10, 5, -5, 3, 1, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Root().FreeChildren();
        ClearSounds();
        flow.carsLost = 0;
        auto* city = new TEnemyCityCar(world);
        PlayerCarAt(city->X + 10, city->Y + 20);
        timers.Timer_Level.SetEnabled(c.banner, flow.now);
        state.StartBlink = c.startBlink;
        state.Driving = c.driving;
        state.Health = c.health;
        state.Speed = c.speed;
        Frame();
        EXPECT_EQ(Count<TEnemyCityCar>(), 0) << "wrecked or cleared off, never replaced";
        EXPECT_EQ(Count<TCarSprite>(), 1);
        EXPECT_DOUBLE_EQ(state.Health, c.healthAfter);
        EXPECT_DOUBLE_EQ(state.Speed, c.speedAfter);
        EXPECT_EQ(Count<TBoomSprite>(), c.booms);
        EXPECT_EQ(Sounds(), c.sounds);
        EXPECT_EQ(flow.carsLost, c.carsLost);
    }
}

TEST_F(TrafficTest, CityCarsPassThroughEverythingButThePlayersCar) {
    auto* city = new TEnemyCityCar(world);
    auto* other = new TEnemyCityCar(world);
    other->X = city->X;
    other->Y = city->Y + 10;
    state.Speed = 5;
    Frame();
    EXPECT_EQ(Count<TEnemyCityCar>(), 2);
    EXPECT_EQ(state.Speed, 5);
    EXPECT_TRUE(Sounds().empty());
}

TEST_F(TrafficTest, CityCarsRefreshTheInputStateAndTheTruckDoesNot) {
    PressUp();
    new TEnemyCityCar(world);
    Frame();
    EXPECT_TRUE(input.Up());

    Root().FreeChildren();
    PressUp();
    new TCarFura(world);
    Frame();
    EXPECT_FALSE(input.Up());
}

// ---- the level-intro truck

class TruckTest : public TrafficTest {
protected:
    TruckTest() {
        // As the level start leaves it: no control, the car not moving.
        state.LevelIntro = true;
        state.Driving = false;
        state.Speed = 0;
        state.TruckArrived = true;  // from the previous level
    }
};

TEST_F(TruckTest, StartsClosedWithItsTopAtTheBottomOfTheScreen) {
    auto* truck = new TCarFura(world);
    EXPECT_FALSE(state.TruckArrived);
    EXPECT_EQ(truck->ImageItem, &images.FindImage("fura"));
    EXPECT_EQ(truck->Width, 96);
    EXPECT_EQ(truck->Height, 338);
    EXPECT_EQ(truck->X, 440);
    EXPECT_EQ(truck->Y, 600);
    EXPECT_EQ(truck->Z(), 5);
    EXPECT_EQ(truck->FrameCount, 6);
    EXPECT_FALSE(truck->FrameLoop);
    EXPECT_EQ(truck->FrameIndex, 0);
    EXPECT_EQ(truck->FrameSpeed, 0);
}

TEST_F(TruckTest, DrivesInOpensLeavesAndHandsOverControl) {
    auto* truck = new TCarFura(world);
    for (int frame = 1; frame <= 166; ++frame) {
        Frame(3);
        ASSERT_EQ(truck->Y, 600 - 3 * frame);
        ASSERT_FALSE(state.TruckArrived) << "frame " << frame;
        ASSERT_EQ(truck->FrameIndex, 0);
    }
    Frame(3);
    EXPECT_EQ(truck->Y, 99);
    EXPECT_TRUE(state.TruckArrived);
    EXPECT_EQ(truck->FrameSpeed, 0.05);

    // It waits while its back opens at 0.05 x lag 3 a frame. The index passes 5.1, 5.25 ... without
    // being 5 exactly; it lands on the last pattern only when it runs past the end (6) and is held.
    const int opening = static_cast<int>(std::ceil(6 / 0.15));
    for (int frame = 1; frame < opening; ++frame) {
        Frame(3);
        ASSERT_EQ(truck->Y, 99) << "frame " << frame << " of the opening";
        ASSERT_LT(truck->FrameIndex, 6);
        ASSERT_EQ(truck->FrameSpeed, 0.05);
    }
    EXPECT_GT(truck->FrameIndex, 5);
    EXPECT_TRUE(state.LevelIntro);
    EXPECT_FALSE(state.Driving);

    // Open on its last pattern: off at 3 a frame, gone once its whole length is above the top.
    for (int leaving = 1; leaving <= 145; ++leaving) {
        Frame(3);
        ASSERT_EQ(truck->Y, 99 - 3 * leaving);
        ASSERT_EQ(truck->FrameIndex, 5);
        ASSERT_TRUE(state.LevelIntro);
        ASSERT_FALSE(state.Driving);
        ASSERT_EQ(state.Speed, 0);
    }
    EXPECT_EQ(truck->Y, -336);
    Frame(3);
    EXPECT_EQ(Count<TCarFura>(), 0);
    EXPECT_EQ(state.Speed, 2.0);
    EXPECT_FALSE(state.LevelIntro);
    EXPECT_TRUE(state.Driving);
}

TEST_F(TruckTest, OneFrameOfTheTruckFromWhereItIs) {
    // The stop at 99 and the departure on the last pattern are exact comparisons.
    struct Case {
        double y;
        double frameIndex;
        double yAfter;
        bool arrives;
    };
    const Case cases[] = {
        {300, 0, 297, false}, {300, 5, 294, false}, {300, 4.99, 297, false},
        {102, 0, 99, true},   {101, 0, 98, false},  {100, 0, 100, false},
        {98, 0, 98, false},   {50, 5, 47, false},   {-335, 5, -338, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("from Y " + std::to_string(c.y) + " on pattern " + std::to_string(c.frameIndex));
        Root().FreeChildren();
        state.TruckArrived = false;
        auto* truck = new TCarFura(world);
        truck->Y = c.y;
        truck->FrameIndex = c.frameIndex;
        Frame(3);
        EXPECT_EQ(state.TruckArrived, c.arrives);
        if (c.yAfter <= -338) {
            EXPECT_EQ(Count<TCarFura>(), 0);
            EXPECT_TRUE(state.Driving);
        } else {
            EXPECT_EQ(truck->Y, c.yAfter);
        }
    }
}

TEST_F(TruckTest, OffTheThreePixelStepItNeverStopsToOpen) {
    auto* truck = new TCarFura(world);
    truck->Y = 601;
    for (int frame = 0; frame < 500; ++frame) Frame(3);
    EXPECT_EQ(truck->Y, 100);
    EXPECT_FALSE(state.TruckArrived);
    EXPECT_EQ(truck->FrameIndex, 0);
    EXPECT_TRUE(state.LevelIntro);
}

TEST_F(TruckTest, StandsStillWhilePausedButAnOpeningGoesOn) {
    for (bool quitOverlay : {false, true}) {
        SCOPED_TRACE(quitOverlay ? "quit overlay" : "P pause");
        Root().FreeChildren();
        bool& stop = quitOverlay ? state.GameMainExit : state.Paused;
        auto* truck = new TCarFura(world);
        for (int frame = 0; frame < 10; ++frame) Frame(3);
        ASSERT_EQ(truck->Y, 570);
        stop = true;
        for (int frame = 0; frame < 20; ++frame) Frame(3);
        EXPECT_EQ(truck->Y, 570);
        EXPECT_EQ(truck->FrameIndex, 0);
        stop = false;

        while (!state.TruckArrived) Frame(3);
        Frame(3);
        Frame(3);
        ASSERT_GT(truck->FrameIndex, 0);
        stop = true;
        for (int frame = 0; frame < 100; ++frame) Frame(3);
        EXPECT_EQ(truck->Y, 99);
        EXPECT_EQ(truck->FrameIndex, 5) << "the opening ran on to its last pattern";
        EXPECT_TRUE(state.LevelIntro);
        stop = false;
        Frame(3);
        EXPECT_EQ(truck->Y, 96);
    }
}

TEST_F(TruckTest, IsNotAffectedByThePlayersCar) {
    auto* truck = new TCarFura(world);
    auto* car = PlayerCarAt(truck->X, truck->Y);
    car->Height = 400;
    state.Health = 100;
    for (int frame = 0; frame < 20; ++frame) Frame(3);
    EXPECT_EQ(truck->Y, 540);
    EXPECT_EQ(state.Health, 100);
    EXPECT_TRUE(Sounds().empty());
}

}  // namespace
