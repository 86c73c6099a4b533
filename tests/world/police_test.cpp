// The police car: where it enters, how it paces and lines up, the arrest, and how it goes.
#include "world/police.h"

#include <algorithm>
#include <cmath>

#include "engine/wave_list.h"
#include "world/explosion.h"
#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/traffic.h"
#include "world_fixture.h"

namespace {

class PoliceCarTest : public WorldTest {
public:
    TCarPolice* Police(double x, double y) {
        auto* police = new TCarPolice(world);
        police->X = x;
        police->Y = y;
        return police;
    }
    // The Y at which the lining-up test |Y + Height + 70 - PlayerY| gives `offset`.
    double LinedUpY(const TCarPolice& police, double offset) const {
        return state.PlayerY - 70 - police.Height + offset;
    }
    bool SirenOn() { return waves.FindWave("police").PlayingCount() > 0; }
    int Booms() { return static_cast<int>(std::count(Sounds().begin(), Sounds().end(), "boom")); }
    // A still sprite of another family with the given box.
    template <class T, class... Args>
    T* Still(double x, double y, int32_t w, int32_t h, Args... args) {
        T* s = new T(world, args...);
        s->X = x;
        s->Y = y;
        s->Width = w;
        s->Height = h;
        s->CanMove = false;
        return s;
    }
};

TEST_F(PoliceCarTest, EntersAtTheBottomOnTheSideAwayFromThePlayer) {
    const struct {
        double playerX;
        double x;
    } cases[] = {{500, 210}, {400, 210}, {399, 520}, {100, 520}};
    for (const auto& c : cases) {
        state.PlayerX = c.playerX;
        state.PoliceCarPresent = false;
        state.PoliceHealth = 0;
        auto* police = new TCarPolice(world);
        EXPECT_EQ(police->X, c.x) << c.playerX;
        EXPECT_EQ(police->Y, 590);
        EXPECT_EQ(police->Z(), 4);
        EXPECT_FALSE(police->Overtaken);
        EXPECT_TRUE(state.PoliceCarPresent);
        EXPECT_EQ(state.PoliceHealth, 100);
        EXPECT_EQ(police->ImageItem, &images.FindImage("carOfPolice"));
        EXPECT_GT(police->Width, 0);
        police->Kill();
        Frame();
    }
    EXPECT_EQ(std::count(Sounds().begin(), Sounds().end(), "police"), 4);
    EXPECT_TRUE(SirenOn());
}

TEST_F(PoliceCarTest, CatchesUpFromBelowAtTwelveMinusTheSpeed) {
    state.Speed = 5;
    auto* police = Police(300, 590);
    Frame();
    EXPECT_DOUBLE_EQ(police->Y, 583);
    EXPECT_EQ(police->X, 300);  // no steering while it comes up from below
    state.Speed = 12;
    Frame();
    EXPECT_DOUBLE_EQ(police->Y, 583);
    EXPECT_FALSE(police->Overtaken);
}

TEST_F(PoliceCarTest, PacesTheFastPlayerBackAndCreepsUpOnASlowOne) {
    const struct {
        double speed;
        double dy;
    } cases[] = {{9, 1}, {14, 1}, {8.99, -1}, {0, -1}};
    for (const auto& c : cases) {
        state.PoliceCarPresent = false;
        auto* police = Police(150, 300);  // well above the lining-up band
        state.Speed = c.speed;
        Frame();
        EXPECT_DOUBLE_EQ(police->Y, 300 + c.dy) << c.speed;
        EXPECT_DOUBLE_EQ(police->X, 150 - (150 - 400) / 250.0) << c.speed;
        EXPECT_TRUE(police->Overtaken);
        police->Kill();
        Frame();
    }
}

TEST_F(PoliceCarTest, OnceOvertakenAFastPlayerLeavesItBehindOffTheBottom) {
    state.Speed = 9;
    auto* police = Police(200, 500);
    Frame();
    EXPECT_EQ(police->Y, 501);
    // Below row 500 again: it falls back 1 px a frame instead of catching up.
    for (int i = 0; i < 99; ++i) Frame();
    ASSERT_EQ(Count<TCarPolice>(), 1);
    EXPECT_EQ(police->Y, 600);
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 0);
    EXPECT_FALSE(state.PoliceCarPresent);
    EXPECT_FALSE(SirenOn());
}

TEST_F(PoliceCarTest, LeavesAtTheScreenEdgesOnly) {
    state.Driving = false;  // it stays where it is put
    const struct {
        double y;
        bool stays;
    } cases[] = {{-1, false}, {0, true}, {600, true}, {600.5, false}};
    for (const auto& c : cases) {
        state.Arrested = true;
        Police(200, c.y);
        Frame();
        EXPECT_EQ(Count<TCarPolice>(), c.stays ? 1 : 0) << c.y;
        EXPECT_EQ(state.PoliceCarPresent, c.stays) << c.y;
        EXPECT_EQ(state.Arrested, c.stays) << c.y;
        EXPECT_EQ(SirenOn(), c.stays) << c.y;
        for (auto* p : All<TCarPolice>()) p->Kill();
        Frame();
    }
}

TEST_F(PoliceCarTest, SlidesAcrossInFrontOfThePlayerThenArrests) {
    state.Speed = 5;
    state.PlayerX = 400;
    auto* police = Police(300, 0);
    const double y = LinedUpY(*police, 0);
    police->Y = y;
    Frame();
    EXPECT_DOUBLE_EQ(police->X, 301);  // 1 % of the gap
    EXPECT_DOUBLE_EQ(police->Y, y);    // no vertical move while lining up
    EXPECT_FALSE(state.Arrested);

    police->X = 410;  // 10 px off is still sliding
    Frame();
    EXPECT_DOUBLE_EQ(police->X, 409.9);
    EXPECT_FALSE(state.Arrested);

    police->X = 409.99;
    Frame();
    EXPECT_TRUE(state.Arrested);
    EXPECT_DOUBLE_EQ(police->X, 409.99);
    EXPECT_DOUBLE_EQ(state.Speed, 5);  // the slowing starts with the next frame
}

TEST_F(PoliceCarTest, TheLiningUpBandIsStrictlyWithin50) {
    state.Speed = 5;
    const struct {
        double offset;
        bool linesUp;
    } cases[] = {{0, true}, {49.9, true}, {-49.9, true}, {50, false}, {-50, false}};
    for (const auto& c : cases) {
        state.PoliceCarPresent = false;
        auto* police = Police(300, 0);
        police->Y = LinedUpY(*police, c.offset);
        const double y = police->Y;
        Frame();
        // Lining up slides 1 % of the gap and holds the row; pacing moves 1 px and steers 1/250.
        EXPECT_DOUBLE_EQ(police->X, c.linesUp ? 301 : 300.4) << c.offset;
        EXPECT_DOUBLE_EQ(police->Y, c.linesUp ? y : y - 1) << c.offset;
        police->Kill();
        Frame();
    }
}

TEST_F(PoliceCarTest, AnArrestSlowsTheCarUntilItIsLost) {
    auto* police = Police(400, 0);
    police->Y = LinedUpY(*police, 0);
    state.Arrested = true;
    state.Speed = 5;
    int frames = 0;
    while (flow.carsLost == 0 && frames < 1000) {
        Frame();
        ++frames;
        if (frames == 1) {
            EXPECT_DOUBLE_EQ(state.Speed, 4.96);
        }
    }
    // 5 - 0.04 n < 0.2 first at n = 121 (120 lands on 0.2 give or take the rounding).
    EXPECT_GE(frames, 120);
    EXPECT_LE(frames, 121);
    EXPECT_LT(state.Speed, 0.2);
    EXPECT_DOUBLE_EQ(police->X, 400);  // it holds its place during the arrest
}

TEST_F(PoliceCarTest, AStoppedCarIsLostOnTheFirstArrestedFrame) {
    auto* police = Police(400, 0);
    police->Y = LinedUpY(*police, 0);
    state.Arrested = true;
    state.Speed = 0;
    Frame();
    EXPECT_EQ(flow.carsLost, 1);
}

TEST_F(PoliceCarTest, NothingMovesOrSlowsWhileNotDriving) {
    auto* police = Police(300, 300);
    state.Driving = false;
    state.Arrested = true;
    state.Speed = 5;
    Frame();
    EXPECT_EQ(police->X, 300);
    EXPECT_EQ(police->Y, 300);
    EXPECT_EQ(state.Speed, 5);
    EXPECT_EQ(flow.carsLost, 0);
}

TEST_F(PoliceCarTest, ExplodesAtTheStartOfTheStepAfterItsHitPointsRunOut) {
    auto* police = Police(300, 300);
    state.PoliceHealth = 1;
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 1);
    EXPECT_EQ(Count<TBoomSprite>(), 0);

    const double x = police->X, y = police->Y;
    state.PoliceHealth = 0;
    state.Arrested = true;
    state.Speed = 8;
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 0);
    EXPECT_FALSE(state.PoliceCarPresent);
    EXPECT_FALSE(state.Arrested);
    EXPECT_FALSE(SirenOn());
    EXPECT_EQ(Booms(), 1);
    // The explosion is where the police car was when its step began; the arrest ends before
    // it could slow the car.
    auto booms = All<TBoomSprite>();
    ASSERT_EQ(booms.size(), 1u);
    EXPECT_EQ(booms[0]->X, x + 10);
    EXPECT_EQ(booms[0]->Y, y);
    EXPECT_EQ(state.Speed, 8);
}

TEST_F(PoliceCarTest, AWreckLinedUpWithThePlayerArrestsNobody) {
    auto* police = Police(400, 0);
    police->Y = LinedUpY(*police, 0);
    state.PoliceHealth = -10;
    state.Speed = 5;
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 0);
    EXPECT_FALSE(state.Arrested);

    // Nor does one the player's shot has just destroyed, which still takes its step this frame.
    state.PoliceCarPresent = false;
    police = Police(400, 0);
    police->Y = LinedUpY(*police, 0);
    police->Kill();
    Frame();
    EXPECT_FALSE(state.Arrested);
}

TEST_F(PoliceCarTest, CrashesWreckWhatItHitsAndCostItTwentyPoints) {
    struct Case {
        const char* name;
        TSprite* (*make)(PoliceCarTest&);
        int rivalsAfter;
    };
    const Case cases[] = {
        {"rival", [](PoliceCarTest& t) -> TSprite* { return t.Still<TEnemyCar>(300, 250, 60, 100); }, 1},
        {"first rival",
         [](PoliceCarTest& t) -> TSprite* { return t.Still<TEnemyCarFirst>(300, 250, 60, 100, -420.0); }, 1},
        {"city car", [](PoliceCarTest& t) -> TSprite* { return t.Still<TEnemyCityCar>(300, 250, 60, 100); },
         0},
        {"post", [](PoliceCarTest& t) -> TSprite* { return t.Still<TStolb>(300, 250, 60, 100); }, 0},
        {"barrier",
         [](PoliceCarTest& t) -> TSprite* { return t.Still<TPoliceZabor>(300, 250, 60, 100, 300); }, 0},
    };
    for (const Case& c : cases) {
        state.PoliceCarPresent = false;
        auto* police = Police(280, 300);
        c.make(*this);
        ClearSounds();
        Frame();
        EXPECT_EQ(Count<TCarPolice>(), 1) << c.name;
        EXPECT_EQ(state.PoliceHealth, 80) << c.name;
        EXPECT_EQ(Booms(), 1) << c.name;
        EXPECT_EQ(Count<TEnemyCar>() + Count<TEnemyCarFirst>(), c.rivalsAfter) << c.name;
        EXPECT_EQ(Count<TEnemyCityCar>() + Count<TStolb>() + Count<TPoliceZabor>(), 0) << c.name;
        // One explosion where the other stood, one where the police car is.
        std::vector<std::pair<double, double>> at;
        for (auto* b : All<TBoomSprite>()) at.emplace_back(b->X, b->Y);
        std::sort(at.begin(), at.end());
        std::vector<std::pair<double, double>> expected{{police->X + 10, police->Y}, {310, 250}};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(at, expected) << c.name;
        EXPECT_TRUE(state.PoliceCarPresent) << c.name;
        EXPECT_TRUE(SirenOn()) << c.name;
        for (auto* s : All<TSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(PoliceCarTest, APolicePostWrecksThePoliceCarAndStaysStanding) {
    auto* police = Police(280, 300);
    Still<TPoliceState>(300, 250, 60, 100);
    state.Arrested = true;
    state.Speed = 5;
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 0);
    EXPECT_EQ(Count<TPoliceState>(), 1);
    EXPECT_EQ(Count<TBoomSprite>(), 2);
    EXPECT_EQ(Booms(), 1);
    EXPECT_FALSE(state.PoliceCarPresent);
    EXPECT_FALSE(state.Arrested);
    EXPECT_FALSE(SirenOn());
    EXPECT_EQ(state.PoliceHealth, 100);
    (void)police;
}

TEST_F(PoliceCarTest, IgnoresThePlayersCarSpikesAndPickups) {
    auto* police = Police(280, 300);
    auto* car = Still<TCarSprite>(290, 300, 60, 100);
    Still<TPoliceShips>(290, 300, 60, 100, 290);
    Still<TBonusSprite>(290, 300, 60, 100);
    Frame();
    EXPECT_EQ(Count<TCarPolice>(), 1);
    EXPECT_EQ(Count<TPoliceShips>(), 1);
    EXPECT_EQ(Count<TBonusSprite>(), 1);
    EXPECT_FALSE(car->Dead());
    EXPECT_EQ(state.PoliceHealth, 100);
    EXPECT_EQ(Count<TBoomSprite>(), 0);
    (void)police;
}

TEST_F(PoliceCarTest, TwoCrashesInOnePassCountTwice) {
    Police(280, 300);
    Still<TEnemyCityCar>(290, 300, 60, 100);
    Still<TStolb>(290, 320, 60, 100);
    Frame();
    EXPECT_EQ(state.PoliceHealth, 60);
    EXPECT_EQ(Count<TBoomSprite>(), 4);
}

}  // namespace
