// The player's volleys and shots, and the rivals' bullets and rockets.
#include "world/shots.h"

#include <string>
#include <vector>

#include "engine/math256.h"
#include "world/explosion.h"
#include "world/obstacles.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/signs.h"
#include "world/traffic.h"
#include "world_fixture.h"

namespace {

// Something to shoot at, placed by hand and held still so that only the shot's rules act.
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

int CountOf(const std::vector<std::string>& sounds, const std::string& name) {
    int n = 0;
    for (const std::string& s : sounds) n += s == name ? 1 : 0;
    return n;
}

}  // namespace

TEST_F(WorldTest, EachGunFiresItsVolleyWhileTheAmmunitionLasts) {
    struct Shot {
        int16_t direction;
        double centre;  // from PlayerX
    };
    struct Case {
        uint8_t kind;
        int32_t ammo;
        std::vector<Shot> shots;
        bool gunLeft;
    };
    const std::vector<Shot> pistol = {{0, 29}}, pair = {{9, 17}, {246, 40}},
                            fan = {{0, 29}, {248, 7}, {7, 50}};
    const Case cases[] = {
        {1, 8, pistol, true},
        {1, 1, pistol, false},
        {2, 8, pair, true},
        {2, 2, pair, false},
        {2, 1, {{9, 17}}, false},  // the last volley is cut short
        {3, 8, pair, true},
        {3, 1, {{9, 17}}, false},
        {4, 8, fan, true},
        {4, 3, fan, false},
        {4, 2, {{0, 29}, {248, 7}}, false},
        {4, 1, {{0, 29}}, false},
        {0, 8, {}, true},  // no such gun: nothing
        {5, 8, {}, true},
    };
    state.PlayerX = 300.5;
    state.PlayerY = 399;
    state.PlayerZ = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "gun " << int(c.kind) << ", ammo " << c.ammo);
        state.WeaponKind = c.kind;
        state.Ammo = c.ammo;
        state.HasWeapon = true;
        state.ShotInFlight = false;
        state.Score = 1000;
        ClearSounds();
        FirePlayerVolley(world);
        const std::vector<TBuletSprite*> shots = All<TBuletSprite>();
        ASSERT_EQ(shots.size(), c.shots.size());
        TPictureCollectionItem& picture = images.FindImage(c.kind >= 3 ? "raketa" : "bulet_pistolet");
        for (size_t i = 0; i < shots.size(); ++i) {
            EXPECT_EQ(shots[i]->Direction, c.shots[i].direction) << i;
            EXPECT_EQ(shots[i]->ImageItem, &picture) << i;
            EXPECT_EQ(shots[i]->Width, picture.PatternWidth());
            EXPECT_DOUBLE_EQ(shots[i]->X + shots[i]->Width / 2.0, 300.5 + c.shots[i].centre) << i;
            EXPECT_EQ(shots[i]->Y, 399);
            EXPECT_EQ(shots[i]->Z(), 4);
        }
        const int n = static_cast<int>(c.shots.size());
        EXPECT_EQ(state.Score, 1000 + 5 * n);
        EXPECT_EQ(state.Ammo, c.ammo - n);
        EXPECT_EQ(state.HasWeapon, c.gunLeft);
        EXPECT_EQ(state.ShotInFlight, n > 0);
        EXPECT_EQ(CountOf(Sounds(), "shoot"), n);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, PlayerShotsClimbTwentyPixelsAFrameAlongTheirDirection) {
    state.WeaponKind = 1;
    state.Ammo = 8;
    state.Speed = 9;  // the road's speed does not matter
    struct Case {
        int16_t direction;
        double dx, dy;
    };
    const Case cases[] = {
        {0, 0, -20},
        {9, Sin256(9) * 20, -Cos256(9) * 20},
        {246, Sin256(246) * 20, -Cos256(246) * 20},
        {-10, Sin256(246) * 20, -Cos256(246) * 20},  // the same direction, modulo 256
        {64, 20, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        state.Driving = true;
        auto* shot = new TBuletSprite(world, c.direction, 400);
        const double x = shot->X;
        Frame();
        EXPECT_NEAR(shot->X, x + c.dx, 1e-9);
        EXPECT_NEAR(shot->Y, 399 + c.dy, 1e-9);
        // Paused, the shot stays where it is.
        state.Driving = false;
        Frame();
        EXPECT_NEAR(shot->Y, 399 + c.dy, 1e-9);
        Root().FreeChildren();
    }
    EXPECT_LT(Sin256(9), 0.25);
    EXPECT_GT(Sin256(9), 0);  // 9 leans right
}

TEST_F(WorldTest, TheVolleyEndsWhenAShotPassesTheTop) {
    state.WeaponKind = 2;
    state.Ammo = 8;
    state.PlayerY = 30;
    FirePlayerVolley(world);
    ASSERT_EQ(Count<TBuletSprite>(), 2);
    // Frame 1: up to Y 10.4; frame 2: past the top, still drawn; frame 3: gone, the volley over.
    Frame();
    Frame();
    EXPECT_EQ(Count<TBuletSprite>(), 2);
    EXPECT_TRUE(state.ShotInFlight);
    Frame();
    EXPECT_EQ(Count<TBuletSprite>(), 0);
    EXPECT_FALSE(state.ShotInFlight);
}

TEST_F(WorldTest, AShotDestroysWhatItHitsAndScores) {
    enum class Target { Rival, CityCar, Police, Barrier, Post, FirstRival, Player, Sign };
    struct Case {
        const char* name;
        Target target;
        uint8_t weapon;
        int32_t points;  // 0: passed through
        int booms;
    };
    const Case cases[] = {
        {"rival", Target::Rival, 1, 50, 1},
        {"rival, rocket", Target::Rival, 4, 50, 1},
        {"city car", Target::CityCar, 2, 20, 1},
        {"police car", Target::Police, 1, 50, 1},
        {"barrier", Target::Barrier, 3, 20, 1},
        {"post, pistol", Target::Post, 1, 0, 0},
        {"post, machine gun", Target::Post, 2, 0, 0},
        {"post, bazooka", Target::Post, 3, 100, 9},
        {"post, rocket launcher", Target::Post, 4, 100, 9},
        {"first rival", Target::FirstRival, 3, 0, 0},
        {"player's car", Target::Player, 1, 0, 0},
        {"sign", Target::Sign, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.WeaponKind = c.weapon;
        state.Ammo = 8;
        state.HasWeapon = true;
        state.Arrested = true;
        state.PoliceCarPresent = true;
        auto* shot = new TBuletSprite(world, 0, 400);
        const double shotX = shot->X;
        // Across the shot's path, both before and after its move.
        const double x = 380, y = 330;
        const int32_t w = 40, h = 80;
        TSprite* target = nullptr;
        switch (c.target) {
            case Target::Rival:
                target = Place<TEnemyCar>(world, x, y, w, h);
                break;
            case Target::CityCar:
                target = Place<TEnemyCityCar>(world, x, y, w, h);
                break;
            case Target::Police:
                target = Place<TCarPolice>(world, x, y, w, h);
                break;
            case Target::Barrier:
                target = Place<TPoliceZabor>(world, x, y, w, h, 450);
                break;
            case Target::Post:
                target = Place<TPoliceState>(world, x, y, w, h);
                break;
            case Target::FirstRival:
                target = Place<TEnemyCarFirst>(world, x, y, w, h, 0.0);
                break;
            case Target::Player:
                target = Place<TCarSprite>(world, x, y, w, h);
                break;
            case Target::Sign:
                target = Place<TZnak>(world, x, y, w, h);
                break;
        }
        const int32_t score = state.Score;
        ClearSounds();
        engine.MoveWorld(3);
        const bool hit = c.points != 0;
        EXPECT_EQ(state.Score, score + c.points);
        EXPECT_EQ(target->Dead(), hit);
        EXPECT_EQ(shot->Dead(), hit);
        EXPECT_EQ(state.ShotInFlight, !hit);
        EXPECT_EQ(Count<TBoomSprite>(), c.booms);
        EXPECT_EQ(CountOf(Sounds(), "boom"), hit ? 1 : 0);
        // Rivals and city cars are replaced at once and throw the shot back 35 px each way.
        const bool car = hit && (c.target == Target::Rival || c.target == Target::CityCar);
        if (car) {
            EXPECT_DOUBLE_EQ(shot->X, shotX - 35);
            EXPECT_DOUBLE_EQ(shot->Y, 399 - 20 - 35);
        } else {
            EXPECT_DOUBLE_EQ(shot->X, shotX);
            EXPECT_DOUBLE_EQ(shot->Y, 399 - 20);
        }
        EXPECT_EQ(Count<TEnemyCar>(), c.target == Target::Rival ? 1 : 0);
        EXPECT_EQ(Count<TEnemyCityCar>(), c.target == Target::CityCar ? 1 : 0);
        // Downing the police car lifts the arrest.
        EXPECT_EQ(state.Arrested, c.target != Target::Police);
        EXPECT_EQ(state.PoliceCarPresent, c.target != Target::Police);
        engine.RemoveDead();
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, OneHitEndsTheWholeVolley) {
    // The rocket launcher's fan: the centre shot, then the left and the right one. A rival stands
    // in one shot's path; city cars stand where the others will be when they next move. After the
    // hit the rest of the volley removes itself: in the same frame when it comes later in the
    // move pass, at the next frame when it has already moved in this one, and hits nothing more.
    struct Case {
        size_t hitter;
        int framesToClear;
    };
    for (const Case& c : {Case{0, 1}, Case{2, 2}}) {
        SCOPED_TRACE(c.hitter);
        state.WeaponKind = 4;
        state.Ammo = 8;
        state.HasWeapon = true;
        state.ShotInFlight = false;
        state.Score = 0;
        state.PlayerX = 300;
        FirePlayerVolley(world);
        const std::vector<TBuletSprite*> shots = All<TBuletSprite>();
        ASSERT_EQ(shots.size(), 3u);
        for (size_t i = 0; i < shots.size(); ++i) {
            const auto direction = static_cast<uint8_t>(shots[i]->Direction);
            const int frames = i < c.hitter ? 2 : 1;
            // A small box inside the shot's picture after that many frames.
            const double x = shots[i]->X + Sin256(direction) * 20 * frames + shots[i]->Width / 2.0 - 1;
            const double y = 399 - Cos256(direction) * 20 * frames + 10;
            if (i == c.hitter)
                Place<TEnemyCar>(world, x, y, 2, 2);
            else
                Place<TEnemyCityCar>(world, x, y, 2, 2);
        }
        for (int frame = 1; frame <= c.framesToClear; ++frame) {
            if (frame > 1) {
                EXPECT_EQ(Count<TBuletSprite>(), 2);
            }
            Frame();
        }
        EXPECT_EQ(Count<TBuletSprite>(), 0);
        EXPECT_FALSE(state.ShotInFlight);
        EXPECT_EQ(state.Score, 3 * 5 + 50);
        EXPECT_EQ(Count<TEnemyCityCar>(), 2);  // untouched
        EXPECT_EQ(Count<TBoomSprite>(), 1);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, RivalShotsTakeTheirPictureAndSoundFromTheirKind) {
    ClearSounds();
    auto* bullet = new TBuletSpriteEnemy(world, 120, 200, 96, 1);
    auto* rocket = new TBuletSpriteEnemy(world, 130, 210, 96, 2);
    EXPECT_EQ(CountOf(Sounds(), "shoot"), 4);  // twice each
    struct Want {
        TBuletSpriteEnemy* shot;
        const char* picture;
        uint8_t rotation;
        double x, y;
    };
    for (const Want& want :
         {Want{bullet, "bulet_pistolet", 0, 120, 200}, Want{rocket, "raketa", 96, 130, 210}}) {
        SCOPED_TRACE(want.picture);
        TPictureCollectionItem& picture = images.FindImage(want.picture);
        EXPECT_EQ(want.shot->ImageItem, &picture);
        EXPECT_EQ(want.shot->Width, picture.PatternWidth());
        EXPECT_EQ(want.shot->Height, picture.PatternHeight());
        EXPECT_EQ(want.shot->Rotation, want.rotation);  // a rocket points along its flight
        EXPECT_EQ(want.shot->Angle, 96);
        EXPECT_EQ(want.shot->X, want.x);
        EXPECT_EQ(want.shot->Y, want.y);
        EXPECT_EQ(want.shot->Z(), 2);
        EXPECT_EQ(want.shot->FrameCount, picture.PatternCount());
        EXPECT_TRUE(want.shot->FrameLoop);
        EXPECT_DOUBLE_EQ(want.shot->FrameSpeed, 0.2);
    }
}

TEST_F(WorldTest, RivalShotsFlyAtTheirAngleTwelvePixelsAFrameFasterThanTheRoad) {
    struct Case {
        uint8_t angle;
        double speed;
        double dx, dy;
    };
    const double d = 0.7071067811865476;
    const Case cases[] = {
        {0, 0, 0, -12},   {64, 0, 12, 0},          {128, 3, 0, 15},
        {192, 3, -15, 0}, {96, 3, d * 15, d * 15}, {32, 0, d * 12, -d * 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.angle));
        state.Speed = c.speed;
        state.Driving = true;
        auto* shot = new TBuletSpriteEnemy(world, 400, 300, c.angle, 1);
        Frame();
        EXPECT_NEAR(shot->X, 400 + c.dx, 1e-9);
        EXPECT_NEAR(shot->Y, 300 + c.dy, 1e-9);
        state.Driving = false;
        Frame();
        EXPECT_NEAR(shot->X, 400 + c.dx, 1e-9);
        Root().FreeChildren();
    }
}

TEST_F(WorldTest, ARivalShotGoesOneFrameAfterLeavingTheScreen) {
    struct Case {
        int32_t x, y;
        uint8_t angle;
    };
    state.Speed = 0;
    for (const Case& c : {Case{795, 300, 64}, Case{5, 300, 192}, Case{400, 595, 128}, Case{400, 5, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        auto* shot = new TBuletSpriteEnemy(world, c.x, c.y, c.angle, 2);
        Frame();
        // Past the edge but still there: the edge test comes before the move.
        ASSERT_EQ(Count<TBuletSpriteEnemy>(), 1);
        EXPECT_TRUE(shot->X > 800 || shot->X < 0 || shot->Y > 600 || shot->Y < 0);
        Frame();
        EXPECT_EQ(Count<TBuletSpriteEnemy>(), 0);
    }
    // On the edge itself it is still on the screen.
    new TBuletSpriteEnemy(world, 800, 600, 0, 1);
    state.Driving = false;
    Frame();
    EXPECT_EQ(Count<TBuletSpriteEnemy>(), 1);
}

TEST_F(WorldTest, RivalShotsDamageThePlayerAndThePolice) {
    enum class Target { Player, Police, Rival };
    struct Case {
        const char* name;
        Target target;
        uint8_t kind;
        double speed, health;
        // expected
        double wantSpeed, wantHealth;
        int16_t wantPoliceHealth;
        std::vector<std::string> sounds;
        int carsLost;
    };
    const Case cases[] = {
        {"bullet", Target::Player, 1, 5, 50, 4, 48, 100, {"boom_stena"}, 0},
        {"rocket", Target::Player, 2, 5, 50, 4, 45, 100, {"boom_stena"}, 0},
        {"slow car stops", Target::Player, 1, 1.5, 50, 0, 48, 100, {"boom_stena"}, 0},
        {"stopped car", Target::Player, 2, 0, 50, 0, 45, 100, {"boom_stena"}, 0},
        {"last of the health", Target::Player, 1, 5, 2, 4, 0, 100, {"boom"}, 1},
        {"more than the health", Target::Player, 2, 5, 3, 4, 0, 100, {"boom"}, 1},
        {"police, bullet", Target::Police, 1, 5, 50, 5, 50, 98, {}, 0},
        {"police, rocket", Target::Police, 2, 5, 50, 5, 50, 95, {}, 0},
        {"rival", Target::Rival, 2, 5, 50, 5, 50, 100, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.Speed = c.speed;
        state.Health = c.health;
        state.PoliceHealth = 100;
        flow.carsLost = 0;
        // Still for this frame, so that only the hit acts.
        state.Driving = false;
        auto* shot = new TBuletSpriteEnemy(world, 400, 300, 128, c.kind);
        switch (c.target) {
            case Target::Player:
                Place<TCarSprite>(world, 390, 290, 60, 100);
                break;
            case Target::Police:
                Place<TCarPolice>(world, 390, 290, 60, 100);
                break;
            case Target::Rival:
                Place<TEnemyCar>(world, 390, 290, 60, 100);
                break;
        }
        ClearSounds();
        engine.MoveWorld(3);
        EXPECT_EQ(shot->Dead(), c.target != Target::Rival);
        EXPECT_DOUBLE_EQ(state.Speed, c.wantSpeed);
        EXPECT_DOUBLE_EQ(state.Health, c.wantHealth);
        EXPECT_EQ(state.PoliceHealth, c.wantPoliceHealth);
        EXPECT_EQ(Sounds(), c.sounds);
        EXPECT_EQ(flow.carsLost, c.carsLost);
        engine.RemoveDead();
        Root().FreeChildren();
    }
}
