// The rival clan's cars: guns by level, volleys and aiming, the approach, ramming, the gun drawn on
// the roof.
#include "world/rivals.h"

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "engine/math256.h"
#include "world/explosion.h"
#include "world/obstacles.h"
#include "world/road.h"
#include "world/shots.h"
#include "world_fixture.h"

namespace {

// Something of another family to run into, placed by hand and held still so that only the
// rival's own rules act.
template <class T, class... Args>
T* Place(WorldContext& world, double x, double y, int32_t width, int32_t height, Args... args) {
    auto* sprite = new T(world, args...);
    sprite->X = x;
    sprite->Y = y;
    sprite->Width = width;
    sprite->Height = height;
    sprite->CanMove = false;
    return sprite;
}

// A rival carrying `gun`, at (x, y).
TEnemyCar* Rival(WorldContext& world, const std::string& gun, double x, double y) {
    auto* rival = new TEnemyCar(world);
    rival->GunName = gun;
    rival->ShotInterval = gun.empty() ? 0 : gun == "pistolet" || gun == "avtomat" ? 32 : 42;
    rival->ShotTimer = rival->ShotInterval;
    rival->X = x;
    rival->Y = y;
    return rival;
}

int CountOf(const std::vector<std::string>& sounds, const std::string& name) {
    int n = 0;
    for (const std::string& s : sounds) n += s == name ? 1 : 0;
    return n;
}

const std::set<double> kLanes = {112, 267, 422, 577};

}  // namespace

TEST_F(WorldTest, RivalsCarryHeavierGunsFromLevelToLevel) {
    struct Case {
        int32_t level;
        std::set<std::string> guns;
    };
    const Case cases[] = {
        {1, {"", "pistolet"}},
        {2, {"", "pistolet", "avtomat"}},
        {3, {"", "pistolet", "avtomat", "bazuka"}},
        {4, {"", "pistolet", "avtomat", "bazuka", "raketnica"}},
        {9, {"", "pistolet", "avtomat", "bazuka", "raketnica"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "level " << c.level);
        state.Level = c.level;
        std::set<std::string> seen;
        std::set<double> lanes;
        for (int i = 0; i < 400; ++i) {
            auto* rival = new TEnemyCar(world);
            ASSERT_EQ(c.guns.count(rival->GunName), 1u) << rival->GunName;
            seen.insert(rival->GunName);
            lanes.insert(rival->X);
            const uint8_t interval = rival->GunName.empty()                                        ? 0
                                     : rival->GunName == "pistolet" || rival->GunName == "avtomat" ? 32
                                                                                                   : 42;
            EXPECT_EQ(rival->ShotInterval, interval) << rival->GunName;
            // The first volley is due at once, the first re-aim too.
            EXPECT_EQ(rival->ShotTimer, interval);
            EXPECT_EQ(rival->AimTimer, 15);
            EXPECT_EQ(rival->GunAngle, 0);
            EXPECT_EQ(rival->Y, -140);
            EXPECT_EQ(rival->Z(), 4);
        }
        EXPECT_EQ(seen, c.guns);
        EXPECT_EQ(lanes, kLanes);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, RivalsDriveTheOtherClansCar) {
    for (int32_t clan : {1, 2}) {
        state.Clan = clan;
        const char* picture = clan == 1 ? "carOfDragons" : "carOfBuldogs";
        TPictureCollectionItem& item = images.FindImage(picture);
        auto* rival = new TEnemyCar(world);
        auto* first = new TEnemyCarFirst(world, -420);
        for (TImageSprite* car : {static_cast<TImageSprite*>(rival), static_cast<TImageSprite*>(first)}) {
            EXPECT_EQ(car->ImageItem, &item) << clan;
            EXPECT_EQ(car->Width, item.PatternWidth());
            EXPECT_EQ(car->Height, item.PatternHeight());
        }
        // The first rival: unarmed, at the given height, on the lower layer.
        EXPECT_EQ(first->Y, -420);
        EXPECT_EQ(first->Z(), 2);
        EXPECT_EQ(kLanes.count(first->X), 1u) << first->X;
    }
}

TEST_F(WorldTest, AVolleyLeavesOnTheFirstArmedFrameStraightUpThenAtTheGunsInterval) {
    struct Shot {
        uint8_t kind;
        uint8_t angle;
    };
    struct Case {
        std::string gun;
        int32_t interval;
        std::vector<Shot> first;  // at GunAngle 0
    };
    const Case cases[] = {
        {"pistolet", 32, {{1, 0}}},
        {"avtomat", 32, {{1, 3}, {1, 253}}},
        {"bazuka", 42, {{2, 3}, {2, 253}}},
        {"raketnica", 42, {{2, 3}, {1, 0}, {2, 253}}},
    };
    state.Speed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gun);
        // The player is right of and below the rival, so the gun turns away from 0.
        TEnemyCar* rival = Rival(world, c.gun, 100.5, 11.5);
        Frame();
        // The muzzle is (round(X + 37), round(Y + 45)), halves to even: 137.5 -> 138, 56.5 -> 56.
        std::vector<TBuletSpriteEnemy*> shots = All<TBuletSpriteEnemy>();
        ASSERT_EQ(shots.size(), c.first.size());
        for (size_t i = 0; i < shots.size(); ++i) {
            EXPECT_EQ(shots[i]->Kind, c.first[i].kind) << i;
            EXPECT_EQ(shots[i]->Angle, c.first[i].angle) << i;
            EXPECT_EQ(shots[i]->X, 138) << i;
            EXPECT_EQ(shots[i]->Y, 56) << i;
        }
        // The re-aim comes after the volley in the same frame.
        const uint8_t aimed = AimAngle(100.5, 11.5, state.PlayerX, state.PlayerY, 0);
        EXPECT_NE(aimed, 0);
        EXPECT_EQ(rival->GunAngle, aimed);

        // Then a volley every `interval` frames, at the gun's new angle.
        std::vector<int> volleyFrames;
        for (int frame = 2; frame <= 2 * c.interval + 5; ++frame) {
            ClearSounds();
            const double x = rival->X, y = rival->Y;
            const uint8_t angle = rival->GunAngle;
            Frame();
            // Each enemy shot plays "shoot" twice.
            const int shotsFired = CountOf(Sounds(), "shoot") / 2;
            if (shotsFired == 0) continue;
            EXPECT_EQ(shotsFired, static_cast<int>(c.first.size()));
            volleyFrames.push_back(frame);
            // The newest shots, not yet moved, sit on the muzzle of the rival before it moved.
            shots = All<TBuletSpriteEnemy>();
            const TBuletSpriteEnemy* last = shots.back();
            EXPECT_EQ(last->X, RoundHalfEven(x + 37));
            EXPECT_EQ(last->Y, RoundHalfEven(y + 45));
            EXPECT_EQ(last->Angle, static_cast<uint8_t>(angle + c.first.back().angle));
        }
        EXPECT_EQ(volleyFrames, (std::vector<int>{1 + c.interval, 1 + 2 * c.interval}));
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, TheMuzzleRoundsHalvesToEven) {
    struct Case {
        double x, y;
        double shotX, shotY;
    };
    // X + 37 and Y + 45: 137.5 -> 138, 138.5 -> 138, 55.5 -> 56, 56.5 -> 56, 57.4 -> 57.
    for (const Case& c :
         {Case{100.5, 10.5, 138, 56}, Case{101.5, 11.5, 138, 56}, Case{120.2, 12.4, 157, 57}}) {
        Rival(world, "pistolet", c.x, c.y);
        Frame();
        const std::vector<TBuletSpriteEnemy*> shots = All<TBuletSpriteEnemy>();
        ASSERT_EQ(shots.size(), 1u);
        EXPECT_EQ(shots[0]->X, c.shotX) << c.x;
        EXPECT_EQ(shots[0]->Y, c.shotY) << c.y;
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, TheGunTurnsTowardsThePlayerLessThanTheTrueBearing) {
    struct Case {
        double x, y, playerX, playerY;
        uint8_t current;
        uint8_t want;
    };
    const Case cases[] = {
        // 100 right of and 200 below the aim point (player - (7, 6)): 64 + round(atan(2) * 26).
        {100, 100, 207, 306, 0, 93},
        // Mirrored: -64 - 29, modulo 256.
        {300, 100, 207, 306, 0, 163},
        // Above the rival on the right and on the left.
        {100, 300, 207, 106, 0, 35},
        {300, 300, 207, 106, 0, 221},
        // Level with the aim point's row: straight sideways.
        {100, 300, 207, 306, 0, 64},
        {300, 300, 207, 306, 0, 192},
        // Far below: close to straight down, but only 64 + round(pi / 2 * 26) = 105 at most.
        {100, 0, 108, 600, 0, 105},
        // Level with the player: the gun keeps its angle.
        {207, 100, 207, 306, 77, 77},
        {207, 100, 207, 306, 200, 200},
        // Level with the aim point, where the bearing's slope has no value: the angle is kept.
        {200, 100, 207, 306, 77, 77},
        {200, 300, 207, 306, 12, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AimAngle(c.x, c.y, c.playerX, c.playerY, c.current), c.want)
            << c.x << "," << c.y << " -> " << c.playerX << "," << c.playerY;
}

TEST_F(WorldTest, ARivalReAimsEveryFifteenFrames) {
    state.Speed = 0;
    state.PlayerX = 400;
    state.PlayerY = 399;
    // Far above the player, so it does not drift sideways.
    TEnemyCar* rival = Rival(world, "avtomat", 200, -300);
    Frame();
    const uint8_t first = rival->GunAngle;
    EXPECT_EQ(first, AimAngle(200, -300, 400, 399, 0));
    // The player moves to the left of the rival; the gun follows only at the next re-aim.
    state.PlayerX = 100;
    for (int frame = 2; frame <= 15; ++frame) {
        Frame();
        EXPECT_EQ(rival->GunAngle, first) << frame;
    }
    const double y = rival->Y;
    Frame();
    EXPECT_EQ(rival->GunAngle, AimAngle(200, y, 100, 399, first));
    EXPECT_GT(rival->GunAngle, 128);

    // Level with the aim point the gun keeps its angle, and nothing fails.
    TEnemyCar* level = Rival(world, "pistolet", 93, -300);
    state.PlayerX = 100;
    Frame();
    EXPECT_EQ(level->GunAngle, 0);
    const std::vector<TBuletSpriteEnemy*> shots = All<TBuletSpriteEnemy>();
    ASSERT_FALSE(shots.empty());
    EXPECT_EQ(shots.back()->Angle, 0);
}

TEST_F(WorldTest, UnarmedRivalsNeitherShootNorAim) {
    TEnemyCar* rival = Rival(world, "", 300, 100);
    for (int i = 0; i < 50; ++i) Frame();
    EXPECT_EQ(Count<TBuletSpriteEnemy>(), 0);
    EXPECT_EQ(rival->GunAngle, 0);
    EXPECT_EQ(CountOf(Sounds(), "shoot"), 0);
}

TEST_F(WorldTest, RivalsApproachAtTheirOwnPaceAndDriftTowardsThePlayer) {
    struct Case {
        bool first;  // the first rival
        double speed;
        double y;
        double dy;
        bool drifts;
    };
    // The player is at X 400, Y 399; the rivals start at X 250.
    const Case cases[] = {
        {false, 0, 0, 0.6, false},  // far above: only closes in
        {true, 0, 0, 2, false},
        {false, 5, 0, 5.6, false},
        {true, 5, 0, 7, false},
        {false, 0, 200, 0.6, true},  // within 300 px: 1/150 of the gap
        {true, 0, 200, 2, true},
        // The armed rival moves first and then looks; the first rival looks first.
        {false, 0, 98.9, 0.6, true},
        {true, 0, 98.9, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.first ? "first" : "armed") << " speed " << c.speed << " y " << c.y);
        state.Speed = c.speed;
        TImageSprite* rival =
            c.first ? static_cast<TImageSprite*>(new TEnemyCarFirst(world, c.y)) : Rival(world, "", 250, c.y);
        rival->X = 250;
        Frame();
        EXPECT_NEAR(rival->Y, c.y + c.dy, 1e-9);
        EXPECT_NEAR(rival->X, c.drifts ? 250 + 150.0 / 150 : 250, 1e-9);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, RivalsStandStillWhileTheRoadDoesButAreKeptOnTheRoad) {
    state.Speed = 5;
    state.Driving = false;
    TEnemyCar* left = Rival(world, "pistolet", 40, 200);
    TEnemyCar* right = Rival(world, "bazuka", 760, 200);
    auto* first = new TEnemyCarFirst(world, 200);
    first->X = 40;
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_EQ(left->X, 90);
    EXPECT_EQ(right->X, 710);
    EXPECT_EQ(left->Y, 200);
    EXPECT_EQ(Count<TBuletSpriteEnemy>(), 0);
    EXPECT_EQ(left->GunAngle, 0);
    // The first rival is not kept to the road.
    EXPECT_EQ(first->X, 40);
    EXPECT_EQ(first->Y, 200);

    // Nor does the first rival move during the level intro.
    state.Driving = true;
    state.LevelIntro = true;
    Frame();
    EXPECT_EQ(first->Y, 200);
    EXPECT_GT(left->Y, 200);
}

TEST_F(WorldTest, ARivalQueuesBehindAPolicePost) {
    struct Case {
        double postGap;  // PolicePostY - (Y + Height)
        bool postAhead;  // PolicePostY > Y
        bool queues;
    };
    const Case cases[] = {
        {30, true, true}, {-30, true, true}, {49.5, true, true}, {50, true, false}, {200, true, false}};
    state.Speed = 3;
    for (const Case& c : cases) {
        for (bool present : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "gap " << c.postGap << " present " << present);
            TEnemyCar* rival = Rival(world, "", 250, 200);
            state.PolicePostPresent = present;
            state.PolicePostY = 200 + rival->Height + c.postGap;
            Frame();
            const bool queued = present && c.queues;
            EXPECT_NEAR(rival->Y, queued ? 203 : 203.6, 1e-9);
            // In the queue it does not steer towards the player.
            EXPECT_NEAR(rival->X, queued ? 250 : 251, 1e-9);
            Root().FreeChildren();
        }
    }
    // A post behind the rival (above it) does not hold it up.
    TEnemyCar* rival = Rival(world, "", 250, 200);
    state.PolicePostPresent = true;
    state.PolicePostY = 190;
    rival->Height = 0;
    Frame();
    EXPECT_NEAR(rival->Y, 203.6, 1e-9);
}

TEST_F(WorldTest, RammingThePlayerCostsHealthBySpeedAndBringsANewRival) {
    struct Case {
        const char* name;
        bool first;
        bool banner;
        bool startBlink;
        bool driving;
        double speed, health;
        // expected
        bool explodes;  // explosion and replacement
        double wantHealth, wantSpeed;
        std::vector<std::string> sounds;
        int carsLost;
    };
    const Case cases[] = {
        {"rival", false, false, false, true, 5, 100, true, 85, 3, {"boom_stena"}, 0},
        {"rival, blinking car", false, false, true, true, 5, 100, true, 100, 3, {"boom_stena"}, 0},
        {"rival, last health", false, false, false, true, 5, 15, true, 0, 3, {"boom", "dead"}, 1},
        {"rival, banner", false, true, false, true, 5, 100, false, 100, 5, {}, 0},
        {"rival, road stopped", false, false, false, false, 5, 10, true, -5, 3, {}, 0},
        {"first", true, false, false, true, 5, 100, true, 85, 3, {"boom_stena"}, 0},
        {"first, banner", true, true, false, true, 5, 100, true, 85, 3, {"boom_stena"}, 0},
        {"first, blinking car", true, false, true, true, 4, 100, true, 100, 2, {"boom_stena"}, 0},
        {"first, last health, road stopped",
         true,
         false,
         false,
         false,
         5,
         15,
         true,
         0,
         3,
         {"dead", "boom"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.Speed = c.speed;
        state.Health = c.health;
        state.StartBlink = c.startBlink;
        state.Driving = c.driving;
        timers.Timer_Level.SetEnabled(c.banner, flow.Now());
        flow.carsLost = 0;
        TImageSprite* rival =
            c.first ? static_cast<TImageSprite*>(new TEnemyCarFirst(world, 300)) : Rival(world, "", 300, 300);
        rival->X = 300;
        Place<TCarSprite>(world, 310, 320, 60, 100);
        ClearSounds();
        Frame();
        EXPECT_EQ(Count<TEnemyCarFirst>(), 0);
        EXPECT_EQ(Count<TEnemyCar>(), c.explodes ? 1 : 0);
        EXPECT_EQ(Count<TBoomSprite>(), c.explodes ? 1 : 0);
        if (c.explodes) {
            EXPECT_EQ(All<TEnemyCar>()[0]->Y, -140);  // a fresh one above the screen
        }
        EXPECT_DOUBLE_EQ(state.Health, c.wantHealth);
        EXPECT_DOUBLE_EQ(state.Speed, c.wantSpeed);
        EXPECT_EQ(Sounds(), c.sounds);
        EXPECT_EQ(flow.carsLost, c.carsLost);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, RivalsRunIntoNothingButThePlayersCar) {
    TEnemyCar* rival = Rival(world, "", 300, 300);
    auto* first = new TEnemyCarFirst(world, 300);
    first->X = 300;
    Place<TStolb>(world, 300, 300, 60, 100);
    Place<TBoomSprite>(world, 300, 300, 60, 100, 300.0, 300.0);
    Frame();
    EXPECT_FALSE(rival->Dead());
    EXPECT_FALSE(first->Dead());
    EXPECT_EQ(state.Health, 100);
    EXPECT_EQ(Count<TEnemyCar>(), 1);
}

TEST_F(WorldTest, TheGunIsDrawnOnTheRoofTurningAboutItsGrip) {
    NullSurface surface;
    images.Initialize(&surface);
    Root().SetDrawTarget(&surface);
    // The pictures' textures go before the surface that made them.
    struct Unbind {
        TPictureCollection& images;
        TSpriteEngine& root;
        ~Unbind() {
            root.SetDrawTarget(nullptr);
            images.Finalize();
        }
    } unbind{images, Root()};
    TEnemyCar* rival = Rival(world, "bazuka", 100.5, 200);
    // The muzzle: (round(137.5), 245) = (138, 245).
    const double mx = 138, my = 245;

    // The gun's picture, pattern 0, for comparison.
    surface.draws.clear();
    images.FindImage("bazuka").DrawPattern(surface, 0, 0, 0);
    ASSERT_EQ(surface.draws.size(), 1u);
    const NullSurface::DrawCall gunPicture = surface.draws[0];

    struct Case {
        uint8_t angle;
        Rect dst;
    };
    // The grip is 0.8 down the 42 px height, 12.6 px below the picture's centre; the centre
    // goes round the grip with the gun.
    const Case cases[] = {
        {0, MakeRect(138 - 23, 245 - 13 - 21, 46, 42)},
        {64, MakeRect(138 + 13 - 23, 245 - 21, 46, 42)},
        {128, MakeRect(138 - 23, 245 + 13 - 21, 46, 42)},
        {192, MakeRect(138 - 13 - 23, 245 - 21, 46, 42)},
    };
    for (const Case& c : cases) {
        rival->GunAngle = c.angle;
        surface.draws.clear();
        rival->Render();
        ASSERT_EQ(surface.draws.size(), 2u);
        const NullSurface::DrawCall& gun = surface.draws[1];
        EXPECT_EQ(gun.dst, c.dst) << int(c.angle);
        EXPECT_DOUBLE_EQ(gun.degrees, c.angle * 360.0 / 256.0);
        EXPECT_EQ(gun.texture, gunPicture.texture);
        EXPECT_EQ(gun.src, gunPicture.src);
        EXPECT_EQ(gun.opacity, 255);
    }
    // At every angle, the grip of the drawn rectangle, turned with the picture about the
    // rectangle's centre, lands on the muzzle (to the rounding of the rectangle to whole pixels).
    for (int a = 0; a < 256; ++a) {
        rival->GunAngle = static_cast<uint8_t>(a);
        surface.draws.clear();
        rival->Render();
        ASSERT_EQ(surface.draws.size(), 2u);
        const Rect& dst = surface.draws[1].dst;
        ASSERT_EQ(dst.Width(), 46);
        ASSERT_EQ(dst.Height(), 42);
        const double theta = a * 2 * 3.14159265358979323846 / 256;
        const double cx = (dst.left + dst.right) / 2.0, cy = (dst.top + dst.bottom) / 2.0;
        const double grip = 0.3 * 42;  // below the centre before turning
        const double gx = cx - std::sin(theta) * grip, gy = cy + std::cos(theta) * grip;
        EXPECT_LE(std::hypot(gx - mx, gy - my), std::sqrt(0.5)) << a;
    }
    // An unarmed rival draws only the car.
    rival->GunName.clear();
    surface.draws.clear();
    rival->Render();
    EXPECT_EQ(surface.draws.size(), 1u);
}
