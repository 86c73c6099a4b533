// Speed signs and the chases they start, and the indicators of the display.
#include "world/signs.h"

#include <functional>
#include <set>
#include <string>

#include "engine/image_list.h"
#include "engine/wave_list.h"
#include "world/police.h"
#include "world_fixture.h"

namespace {

class SignsTest : public WorldTest {
public:
    // A sign of the given limit at PlayerY + dy, held in place (not driving) so only the test
    // against the speed decides.
    TZnak* Sign(uint8_t limit, double dy) {
        auto* sign = new TZnak(world);
        sign->Limit = limit;
        sign->Y = state.PlayerY + dy;
        return sign;
    }
    std::string Picture(const TImageSprite& s) { return s.ImageItem != nullptr ? s.ImageItem->Name() : ""; }
};

TEST_F(SignsTest, ASignShowsOneOfThreeLimitsAboveTheRightVerge) {
    std::set<int> limits;
    for (int i = 0; i < 60; ++i) {
        state.SignPresent = false;
        auto* sign = new TZnak(world);
        EXPECT_TRUE(state.SignPresent);
        EXPECT_EQ(sign->X, 715);
        EXPECT_EQ(sign->Y, -70);
        EXPECT_EQ(sign->Z(), 3);
        EXPECT_FALSE(sign->Triggered);
        EXPECT_EQ(Picture(*sign), "znak" + std::to_string(sign->Limit));
        limits.insert(sign->Limit);
        sign->Kill();
    }
    EXPECT_EQ(limits, (std::set<int>{30, 60, 90}));
}

TEST_F(SignsTest, ASignScrollsWithTheRoad) {
    state.Speed = 3;  // under every limit
    auto* sign = new TZnak(world);
    Frame();
    EXPECT_EQ(sign->Y, -67);
    state.Driving = false;
    Frame();
    EXPECT_EQ(sign->Y, -67);
}

TEST_F(SignsTest, PassingFasterThanTheLimitTheDisplayShowsTriggers) {
    state.Driving = false;
    const struct {
        uint8_t limit;
        double speed;
        double dy;
        bool triggers;
    } cases[] = {
        {60, 6, 0, false},   {60, 6.1, 0, true},   {30, 3, 0, false},   {30, 3.01, 0, true},
        {90, 9, 0, false},   {90, 14, 0, true},    {60, 7, 50, false},  {60, 7, -50, false},
        {60, 7, 49.9, true}, {60, 7, -49.9, true}, {60, 7, 300, false},
    };
    for (const auto& c : cases) {
        state.Speed = c.speed;
        state.PoliceChase = false;
        state.PoliceCarPresent = false;
        auto* sign = Sign(c.limit, c.dy);
        Frame();
        EXPECT_EQ(sign->Triggered, c.triggers) << int(c.limit) << " at " << c.speed << ", dy " << c.dy;
        EXPECT_EQ(state.PoliceChase, c.triggers);
        EXPECT_EQ(Count<TIndexPolice>(), c.triggers ? 1 : 0);
        EXPECT_EQ(Count<TCarPolice>(), c.triggers ? 1 : 0);
        for (auto* s : All<TImageSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(SignsTest, ATriggeredSignStartsAFullChaseOnceAndSendsThePolice) {
    state.Driving = false;
    state.Speed = 10;
    flow.now = 1000;
    timers.Timer_police.SetEnabled(true, 1000);  // an earlier chase is running
    flow.now = 4000;
    state.PlayerX = 399;
    auto* sign = Sign(90, 10);
    Frame();
    EXPECT_TRUE(sign->Triggered);
    EXPECT_TRUE(timers.Timer_police.Enabled());
    EXPECT_EQ(timers.Timer_police.DueAt(), 12000u);  // restarted: a full 8 s from now
    auto police = All<TCarPolice>();
    ASSERT_EQ(police.size(), 1u);
    EXPECT_TRUE(state.PoliceCarPresent);
    EXPECT_GT(waves.FindWave("police").PlayingCount(), 0);
    EXPECT_EQ(police[0]->X, 520);  // on the side away from the player

    // Still in the band on later frames: no second chase, no second police car.
    flow.now = 6000;
    for (int i = 0; i < 5; ++i) Frame();
    EXPECT_EQ(timers.Timer_police.DueAt(), 12000u);
    EXPECT_EQ(Count<TIndexPolice>(), 1);
    EXPECT_EQ(Count<TCarPolice>(), 1);
}

TEST_F(SignsTest, APoliceCarAlreadyOnTheRoadIsNotJoinedByAnother) {
    state.Driving = false;
    state.Speed = 10;
    state.PoliceCarPresent = true;
    Sign(60, 0);
    Frame();
    EXPECT_TRUE(state.PoliceChase);
    EXPECT_EQ(Count<TIndexPolice>(), 1);
    EXPECT_EQ(Count<TCarPolice>(), 0);
}

TEST_F(SignsTest, TwoSignsInOneChaseShowTwoIndicatorsThatGoTogether) {
    state.Driving = false;
    state.Speed = 10;
    Sign(60, 0);
    Frame();
    Sign(30, 10);
    Frame();
    EXPECT_EQ(Count<TIndexPolice>(), 2);
    EXPECT_EQ(Count<TCarPolice>(), 1);
    state.PoliceChase = false;
    Frame();
    EXPECT_EQ(Count<TIndexPolice>(), 0);
}

TEST_F(SignsTest, TheHealthLineIsSqueezedToTheHealth) {
    for (int32_t clan : {1, 2}) {
        state.Clan = clan;
        auto* line = new TIndexGorod(world);
        EXPECT_EQ(Picture(*line), clan == 1 ? "m_helthLineOfBuldogs" : "m_helthLineOfDragons");
        EXPECT_EQ(line->X, 170);
        EXPECT_EQ(line->Y, 565);
        EXPECT_EQ(line->Z(), 11);
        const int32_t full = line->ImageItem->PatternWidth();
        ASSERT_EQ(full, 460);  // the rounding cases below are for this width
        const struct {
            double health;
            int32_t width;
        } cases[] = {{100, 460}, {50, 230}, {0, 0}, {1, 5}, {62.5, 288}, {33.3, 153}, {-12, 0}};
        for (const auto& c : cases) {
            state.Health = c.health;
            Frame();
            EXPECT_EQ(line->Width, c.width) << c.health;
        }
        line->Kill();
        Frame();
    }
}

TEST_F(SignsTest, IndicatorsStandInTheirPlaceAndGoWhenTheirStateEnds) {
    struct Case {
        const char* picture;
        std::function<TImageSprite*(WorldContext&)> make;
        bool GameState::*flag;
        double x, y;
        int32_t z;
    };
    const Case cases[] = {
        {"m_police", [](WorldContext& w) { return new TIndexPolice(w); }, &GameState::PoliceChase, 0, 40, 11},
        {"m_pistolet", [](WorldContext& w) { return new TIndexGuns(w); }, &GameState::HasWeapon, 730, 190,
         10},
        {"m_nitro", [](WorldContext& w) { return new TIndexNitro(w); }, &GameState::NitroOn, 730, 330, 10},
    };
    state.Speed = 10;  // indicators do not scroll
    for (const Case& c : cases) {
        state.*c.flag = true;
        TImageSprite* indicator = c.make(world);
        EXPECT_EQ(Picture(*indicator), c.picture);
        EXPECT_EQ(indicator->Z(), c.z);
        for (int i = 0; i < 3; ++i) Frame();
        EXPECT_EQ(indicator->X, c.x) << c.picture;
        EXPECT_EQ(indicator->Y, c.y) << c.picture;
        EXPECT_FALSE(indicator->Dead()) << c.picture;
        state.*c.flag = false;
        Frame();
        EXPECT_EQ(Count<TImageSprite>(), 0) << c.picture;
    }
}

}  // namespace
