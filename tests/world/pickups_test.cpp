// Pickups: where they appear, how they scroll, what each one does for the player's car, and
// the gun and nitro flames that ride on the car.
#include "world/pickups.h"

#include <cmath>
#include <functional>
#include <set>
#include <string>

#include "engine/image_list.h"
#include "world/obstacles.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/signs.h"
#include "world_fixture.h"

namespace {

class PickupsTest : public WorldTest {
public:
    // The player's car, held still, with the pickup's box under it.
    TCarSprite* CarOver(const TSprite& pickup) {
        auto* car = new TCarSprite(world);
        car->X = pickup.X;
        car->Y = pickup.Y;
        car->Width = 60;
        car->Height = 100;
        car->CanMove = false;
        state.PlayerX = car->X;
        state.PlayerY = car->Y;
        return car;
    }
    // Puts the player's car on the pickup and runs the frame in which the pickup meets it.
    void Collect(TSprite* pickup) {
        CarOver(*pickup);
        Frame();
    }
    std::string Picture(const TImageSprite& s) { return s.ImageItem != nullptr ? s.ImageItem->Name() : ""; }
};

TEST_F(PickupsTest, EachPickupTakesItsClansPictureAndALane) {
    struct Case {
        const char* name;
        std::function<TImageSprite*(WorldContext&)> make;
        int32_t laneOffset;
        double y;
    };
    const Case cases[] = {
        {"live", [](WorldContext& w) { return new TLiveSprite(w); }, 60, 25},
        {"bonus", [](WorldContext& w) { return new TBonusSprite(w); }, 55, -40},
        {"nitro", [](WorldContext& w) { return new TNitroSprite(w); }, 55, -40},
        {"remont", [](WorldContext& w) { return new TMedicSprite(w); }, 55, -40},
        {"pistolet", [](WorldContext& w) { return new TGunsSprite(w, 1); }, 55, -40},
        {"raketnica", [](WorldContext& w) { return new TGunsSprite(w, 4); }, 55, -40},
    };
    for (const Case& c : cases) {
        for (int32_t clan : {1, 2}) {
            state.Clan = clan;
            std::set<double> xs;
            for (int i = 0; i < 60; ++i) {
                TImageSprite* p = c.make(world);
                xs.insert(p->X);
                EXPECT_EQ(p->Y, c.y) << c.name;
                EXPECT_EQ(p->Z(), 2) << c.name;
                EXPECT_TRUE(p->FrameLoop) << c.name;
                EXPECT_EQ(p->FrameSpeed, 0) << c.name;
                EXPECT_EQ(p->FrameCount, p->ImageItem->PatternCount()) << c.name;
                EXPECT_EQ(p->Width, p->ImageItem->PatternWidth()) << c.name;
                EXPECT_EQ(Picture(*p), std::string(c.name) + (clan == 1 ? "_b" : "_d"));
                p->Kill();
            }
            Frame();
            const std::set<double> lanes{90.0 + c.laneOffset, 245.0 + c.laneOffset, 400.0 + c.laneOffset,
                                         555.0 + c.laneOffset};
            EXPECT_EQ(xs, lanes) << c.name << " clan " << clan;
        }
    }
}

TEST_F(PickupsTest, WeaponKindsGrowWithTheLevel) {
    const struct {
        int32_t level;
        std::set<int> kinds;
    } cases[] = {{1, {1}}, {2, {1, 2}}, {3, {1, 2, 3}}, {4, {1, 2, 3, 4}}, {9, {1, 2, 3, 4}}};
    for (const auto& c : cases) {
        state.Level = c.level;
        std::set<int> seen;
        for (int i = 0; i < 200; ++i) {
            auto* gun = new TGunsSprite(world);
            seen.insert(gun->Kind);
            EXPECT_EQ(Picture(*gun), std::string(GunPicture(gun->Kind)) + "_b");
            gun->Kill();
        }
        Frame();
        EXPECT_EQ(seen, c.kinds) << "level " << c.level;
    }
}

TEST_F(PickupsTest, ScrollWithTheRoadAndGoAt1000ExceptNitro) {
    state.Speed = 7.5;
    auto* bonus = new TBonusSprite(world);
    const double y = bonus->Y;
    Frame();
    EXPECT_EQ(bonus->Y, y + 7.5);  // by the speed a frame, whatever the lag
    state.Driving = false;
    Frame(9);
    EXPECT_EQ(bonus->Y, y + 7.5);

    // The removal test comes before the move: at 999 it moves on once more.
    state.Driving = true;
    struct Case {
        const char* name;
        std::function<TImageSprite*(WorldContext&)> make;
        bool removed;
    };
    const Case cases[] = {
        {"live", [](WorldContext& w) { return new TLiveSprite(w); }, true},
        {"gun", [](WorldContext& w) { return new TGunsSprite(w); }, true},
        {"bonus", [](WorldContext& w) { return new TBonusSprite(w); }, true},
        {"medic", [](WorldContext& w) { return new TMedicSprite(w); }, true},
        {"nitro", [](WorldContext& w) { return new TNitroSprite(w); }, false},
    };
    for (const Case& c : cases) {
        TImageSprite* at999 = c.make(world);
        at999->Y = 999;
        TImageSprite* at1000 = c.make(world);
        at1000->Y = 1000;
        Frame();
        EXPECT_FALSE(at999->Dead()) << c.name;
        EXPECT_EQ(at999->Y, 1006.5) << c.name;
        EXPECT_EQ(Count<TImageSprite>() - 1, c.removed ? 1 : 2) << c.name;  // the bonus stays
        for (auto* p : All<TImageSprite>())
            if (p != bonus) p->Kill();
        Frame();
    }
}

TEST_F(PickupsTest, SimplePickupsScoreAndPlayTheirSound) {
    struct Case {
        const char* name;
        std::function<TImageSprite*(WorldContext&)> make;
        const char* sound;
        int32_t score;
        int32_t lives;
    };
    const Case cases[] = {
        {"live", [](WorldContext& w) { return new TLiveSprite(w); }, "live", 20, 4},
        {"bonus", [](WorldContext& w) { return new TBonusSprite(w); }, "beep", 100, 3},
    };
    for (const Case& c : cases) {
        state.Score = 1000;
        state.Lives = 3;
        ClearSounds();
        TImageSprite* p = c.make(world);
        Collect(p);
        EXPECT_EQ(state.Score, 1000 + c.score) << c.name;
        EXPECT_EQ(state.Lives, c.lives) << c.name;
        EXPECT_EQ(Sounds(), std::vector<std::string>{c.sound}) << c.name;
        EXPECT_EQ(Count<TImageSprite>(), 1) << c.name;  // only the car is left
        for (auto* s : All<TImageSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(PickupsTest, RepairAddsTwentyUpToAHundred) {
    const struct {
        double before;
        double after;
    } cases[] = {{90, 100}, {50, 70}, {80, 100}, {79.5, 99.5}, {100, 100}};
    for (const auto& c : cases) {
        state.Health = c.before;
        state.Score = 0;
        ClearSounds();
        Collect(new TMedicSprite(world));
        EXPECT_DOUBLE_EQ(state.Health, c.after) << c.before;
        EXPECT_EQ(state.Score, 20);
        EXPECT_EQ(Sounds(), std::vector<std::string>{"beep"});
        EXPECT_EQ(Count<TMedicSprite>(), 0);
        for (auto* s : All<TImageSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(PickupsTest, AWeaponMountsItsGunAndAddsEightShots) {
    const struct {
        int32_t ammo;
        int indicators;
    } cases[] = {{0, 1}, {3, 0}, {-2, 1}};
    for (const auto& c : cases) {
        state.Ammo = c.ammo;
        state.HasWeapon = c.ammo > 0;
        state.Score = 0;
        ClearSounds();
        Collect(new TGunsSprite(world, 3));
        EXPECT_EQ(state.Ammo, c.ammo + 8) << c.ammo;
        EXPECT_TRUE(state.HasWeapon);
        EXPECT_EQ(state.WeaponKind, 3);
        EXPECT_EQ(state.Score, 20);
        EXPECT_EQ(Sounds(), std::vector<std::string>{"bell"});
        EXPECT_EQ(Count<TIndexGuns>(), c.indicators) << c.ammo;
        auto guns = All<TGunsCar>();
        ASSERT_EQ(guns.size(), 1u);
        EXPECT_EQ(guns[0]->Kind, 3);
        EXPECT_EQ(Picture(*guns[0]), "bazuka");
        for (auto* s : All<TImageSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(PickupsTest, TheMountedGunRidesOnTheCarAndAnimatesOnce) {
    state.PlayerX = 300;
    state.PlayerY = 399;
    auto* gun = new TGunsCar(world, 2);
    EXPECT_EQ(state.WeaponKind, 2);
    EXPECT_EQ(gun->Z(), 5);
    EXPECT_EQ(Picture(*gun), "avtomat");
    EXPECT_DOUBLE_EQ(gun->X, 300 + 29 - gun->Width / 2.0);
    EXPECT_DOUBLE_EQ(gun->Y, 395);
    state.PlayerX = 201;
    state.PlayerY = 350;
    Frame(1);
    EXPECT_DOUBLE_EQ(gun->X, 201 + 29 - gun->Width / 2.0);
    EXPECT_DOUBLE_EQ(gun->Y, 346);
    EXPECT_DOUBLE_EQ(gun->FrameIndex, 0.25);
    for (int i = 0; i < 40; ++i) Frame();
    EXPECT_EQ(gun->CurrentPattern(), gun->FrameCount - 1);  // stays on its last pattern
    EXPECT_EQ(Count<TGunsCar>(), 1);
}

TEST_F(PickupsTest, TheMountedGunGoesWithTheCarsHealthOrANewerGun) {
    state.PlayerX = 300;
    auto* first = new TGunsCar(world, 1);
    Frame();
    // A newer gun of another kind: the old picture removes itself on its next step.
    auto* second = new TGunsCar(world, 4);
    EXPECT_FALSE(first->Dead());
    Frame();
    EXPECT_EQ(All<TGunsCar>(), std::vector<TGunsCar*>{second});
    // The same kind again leaves two that both stay.
    new TGunsCar(world, 4);
    Frame();
    EXPECT_EQ(Count<TGunsCar>(), 2);
    state.Health = 0;
    Frame();
    EXPECT_EQ(Count<TGunsCar>(), 0);
}

TEST_F(PickupsTest, CollectingASecondWeaponReplacesTheMountedPicture) {
    state.Level = 1;
    Collect(new TGunsSprite(world, 1));
    Frame();
    Collect(new TGunsSprite(world, 2));
    Frame();
    auto guns = All<TGunsCar>();
    ASSERT_EQ(guns.size(), 1u);
    EXPECT_EQ(guns[0]->Kind, 2);
    EXPECT_EQ(state.Ammo, 16);
    EXPECT_EQ(Count<TIndexGuns>(), 1);
}

TEST_F(PickupsTest, NitroSavesTheRoundedSpeedAndStartsTheCountdown) {
    const struct {
        double speed;
        int32_t saved;
    } cases[] = {{6.5, 6}, {7.5, 8}, {6.7, 7}, {0, 0}};
    for (const auto& c : cases) {
        timers.Timer_Nitro.SetEnabled(false, flow.now);
        state.Speed = c.speed;
        state.NitroOn = false;
        state.NitroSeconds = 5;
        state.Score = 0;
        ClearSounds();
        flow.now = 5000;
        Collect(new TNitroSprite(world));
        EXPECT_EQ(state.SpeedBeforeNitro, c.saved) << c.speed;
        EXPECT_EQ(state.Speed, 15) << c.speed;
        EXPECT_TRUE(state.NitroOn);
        EXPECT_EQ(state.NitroSeconds, 0);
        EXPECT_EQ(state.Score, 50);
        EXPECT_EQ(Sounds(), std::vector<std::string>{"beep"});
        EXPECT_TRUE(timers.Timer_Nitro.Enabled());
        EXPECT_EQ(timers.Timer_Nitro.DueAt(), 6000u);
        EXPECT_EQ(Count<TIndexNitro>(), 1);
        EXPECT_EQ(Count<TNitroCar>(), 1);
        for (auto* s : All<TImageSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(PickupsTest, ASecondNitroRestartsTheCountButAddsNoIndicator) {
    state.Speed = 6.5;
    Collect(new TNitroSprite(world));
    state.Speed = 14;  // the game frame holds it there while the nitro runs
    state.NitroSeconds = 4;
    Collect(new TNitroSprite(world));
    EXPECT_EQ(Count<TIndexNitro>(), 1);
    EXPECT_EQ(Count<TNitroCar>(), 2);
    EXPECT_EQ(state.NitroSeconds, 0);
    EXPECT_EQ(state.SpeedBeforeNitro, 14);
    EXPECT_EQ(state.Score, 100);
}

TEST_F(PickupsTest, TheNitroFlamesWobbleBehindTheCarWhileTheNitroRuns) {
    state.PlayerX = 300;
    state.PlayerY = 399;
    state.NitroOn = true;
    auto* flames = new TNitroCar(world);
    EXPECT_EQ(Picture(*flames), "nitroFlames");
    EXPECT_EQ(flames->Z(), 2);
    EXPECT_EQ(flames->X, 304);
    EXPECT_EQ(flames->Y, 519);
    for (int32_t distance : {0, 5, 1234}) {
        state.Distance = distance;
        state.PlayerX = 250 + distance % 7;
        Frame();
        EXPECT_EQ(flames->X, state.PlayerX + 4);
        EXPECT_DOUBLE_EQ(flames->Y, 399 + 125 + 3 * std::sin(distance / 3.0)) << distance;
    }
    state.NitroOn = false;
    Frame();
    EXPECT_EQ(Count<TNitroCar>(), 0);

    state.NitroOn = true;
    new TNitroCar(world);
    state.Health = 0;
    Frame();
    EXPECT_EQ(Count<TNitroCar>(), 0);
}

TEST_F(PickupsTest, OnlyThePlayersCarCollects) {
    state.Score = 0;
    auto* bonus = new TBonusSprite(world);
    auto* medic = new TMedicSprite(world);
    medic->X = bonus->X;
    medic->Y = bonus->Y;
    for (TSprite* other : std::initializer_list<TSprite*>{new TEnemyCar(world), new TStolb(world)}) {
        other->X = bonus->X;
        other->Y = bonus->Y;
        other->Width = 60;
        other->Height = 100;
        other->CanMove = false;
    }
    state.Health = 50;
    Frame();
    Frame();
    EXPECT_FALSE(bonus->Dead());
    EXPECT_FALSE(medic->Dead());
    EXPECT_EQ(state.Score, 0);
    EXPECT_EQ(state.Health, 50);
    EXPECT_TRUE(Sounds().empty());
}

}  // namespace
