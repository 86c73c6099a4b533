// The endings every road object shares: the player's car knocked or lost, and something blown up.
#include "world/endings.h"

#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "world/explosion.h"
#include "world/obstacles.h"
#include "world_fixture.h"

namespace {

using SoundList = std::vector<std::string>;

class EndingsTest : public WorldTest {
public:
    std::set<std::pair<double, double>> Explosions() {
        std::set<std::pair<double, double>> at;
        for (auto* boom : All<TBoomSprite>()) at.emplace(boom->X, boom->Y);
        return at;
    }
};

TEST_F(EndingsTest, EachWayOfLosingTheCarPlaysItsSoundsInOrderThenLosesTheCarOnce) {
    const struct {
        CarLoss how;
        SoundList sounds;
    } cases[] = {
        {CarLoss::Crash, {"boom"}},
        {CarLoss::Wreck, {"dead", "boom"}},
        {CarLoss::Rammed, {"boom", "dead"}},
        {CarLoss::Arrest, {}},
    };
    for (const auto& c : cases) {
        ClearSounds();
        flow.carsLost = 0;
        // Health does not matter: the car is lost whatever it has left.
        state.Health = 50;
        LoseCar(world, c.how);
        EXPECT_EQ(Sounds(), c.sounds) << static_cast<int>(c.how);
        EXPECT_EQ(flow.carsLost, 1) << static_cast<int>(c.how);
    }
}

TEST_F(EndingsTest, ABlowOnlyKnocksACarWithHealthLeftAndLosesOneWithNone) {
    const struct {
        double health;
        CarLoss how;
        SoundList sounds;
        int lost;
    } cases[] = {
        {100, CarLoss::Wreck, {"boom_stena"}, 0},
        {0.01, CarLoss::Crash, {"boom_stena"}, 0},
        {0, CarLoss::Crash, {"boom"}, 1},
        {0, CarLoss::Wreck, {"dead", "boom"}, 1},
        {-12, CarLoss::Rammed, {"boom", "dead"}, 1},
        {-1, CarLoss::Arrest, {}, 1},
    };
    for (const auto& c : cases) {
        ClearSounds();
        flow.carsLost = 0;
        state.Health = c.health;
        CarHit(world, c.how);
        EXPECT_EQ(Sounds(), c.sounds) << c.health << " " << static_cast<int>(c.how);
        EXPECT_EQ(flow.carsLost, c.lost) << c.health << " " << static_cast<int>(c.how);
        EXPECT_EQ(state.Health, c.health) << "a blow's cost is the caller's";
    }
}

TEST_F(EndingsTest, RunningIntoSomethingCostsHealthBySpeedUnlessTheNewCarBlinks) {
    const struct {
        bool blinking;
        double speed;
        double health;
        double speedAfter;
    } cases[] = {
        {false, 5, 85, 3},
        {false, 0, 100, -2},
        {false, 1.5, 95.5, -0.5},
        {true, 5, 100, 3},
    };
    for (const auto& c : cases) {
        state.StartBlink = c.blinking;
        state.Speed = c.speed;
        state.Health = 100;
        RamDamage(state);
        EXPECT_DOUBLE_EQ(state.Health, c.health) << c.blinking << " " << c.speed;
        EXPECT_DOUBLE_EQ(state.Speed, c.speedAfter) << c.blinking << " " << c.speed;
        EXPECT_TRUE(Sounds().empty());
    }
}

TEST_F(EndingsTest, ABlownUpObjectGoesWithOneBoomItsExplosionsAndItsPoints) {
    static constexpr BlastOffset kThree[] = {{0, 0}, {166, 0}, {40, 64}};
    const struct {
        const char* name;
        std::span<const BlastOffset> blasts;
        std::set<std::pair<double, double>> explosions;  // drawn 10 px right of the blast
    } cases[] = {
        {"one blast", kOneBlast, {{310.5, 200}}},
        {"three blasts", kThree, {{310.5, 200}, {476.5, 200}, {350.5, 264}}},
    };
    for (const auto& c : cases) {
        ClearSounds();
        state.Score = 40;
        state.Driving = false;
        auto* victim = new TStolb(world);
        BlowUp(world, *victim, 300.5, 200, 100, c.blasts);
        EXPECT_TRUE(victim->Dead()) << c.name;
        EXPECT_EQ(state.Score, 140) << c.name;
        EXPECT_EQ(Sounds(), SoundList{"boom"}) << c.name;
        EXPECT_EQ(Explosions(), c.explosions) << c.name;
        EXPECT_EQ(flow.carsLost, 0) << c.name;
        for (auto* s : All<TSprite>()) s->Kill();
        Frame();
    }
}

TEST_F(EndingsTest, AnExplosionAloneScoresNothingAndKillsNothing) {
    state.Score = 7;
    auto* post = new TStolb(world);
    Explode(world, post->X, post->Y);
    EXPECT_FALSE(post->Dead());
    EXPECT_EQ(state.Score, 7);
    EXPECT_EQ(Sounds(), SoundList{"boom"});
    EXPECT_EQ(Explosions(), (std::set<std::pair<double, double>>{{post->X + 10, post->Y}}));
}

}  // namespace
