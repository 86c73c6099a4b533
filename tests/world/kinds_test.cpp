// The kinds the road objects and the autopilot tell sprites apart by.
#include "world/kinds.h"

#include <functional>

#include "world/explosion.h"
#include "world/obstacles.h"
#include "world/pickups.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/road.h"
#include "world/shots.h"
#include "world/signs.h"
#include "world/traffic.h"
#include "world_fixture.h"

namespace {

using KindsTest = WorldTest;

TEST_F(KindsTest, EachRoadObjectIsOfTheKindsItIsTreatedAs) {
    const struct {
        const char* name;
        std::function<TSprite*(WorldContext&)> make;
        bool playerCar;
        bool rival;
        bool roadsideTraffic;
    } cases[] = {
        {"player's car", [](WorldContext& w) { return new TCarSprite(w); }, true, false, false},
        {"armed rival", [](WorldContext& w) { return new TEnemyCar(w); }, false, true, false},
        {"first rival", [](WorldContext& w) { return new TEnemyCarFirst(w, -140); }, false, true, false},
        {"post", [](WorldContext& w) { return new TStolb(w); }, false, false, true},
        {"puddle", [](WorldContext& w) { return new TLuja(w); }, false, false, true},
        {"splashed puddle", [](WorldContext& w) { return new TLujaUje(w, 100, 100); }, false, false, true},
        {"city car", [](WorldContext& w) { return new TEnemyCityCar(w); }, false, false, true},
        {"rocks", [](WorldContext& w) { return new TRocksMassovka(w); }, false, false, false},
        {"police post", [](WorldContext& w) { return new TPoliceState(w); }, false, false, false},
        {"barrier", [](WorldContext& w) { return new TPoliceZabor(w, 450); }, false, false, false},
        {"spikes", [](WorldContext& w) { return new TPoliceShips(w, 290); }, false, false, false},
        {"police car", [](WorldContext& w) { return new TCarPolice(w); }, false, false, false},
        {"truck", [](WorldContext& w) { return new TCarFura(w); }, false, false, false},
        {"sign", [](WorldContext& w) { return new TZnak(w); }, false, false, false},
        {"explosion", [](WorldContext& w) { return new TBoomSprite(w, 0, 0); }, false, false, false},
        {"rival's rocket", [](WorldContext& w) { return new TBuletSpriteEnemy(w, 100, 100, 0, 2); }, false,
         false, false},
        {"pickup", [](WorldContext& w) { return new TBonusSprite(w); }, false, false, false},
        {"mounted gun", [](WorldContext& w) { return new TGunsCar(w, 1); }, false, false, false},
    };
    for (const auto& c : cases) {
        const TSprite* s = c.make(world);
        EXPECT_EQ(IsPlayerCar(s), c.playerCar) << c.name;
        EXPECT_EQ(IsRival(s), c.rival) << c.name;
        EXPECT_EQ(IsRoadsideTraffic(s), c.roadsideTraffic) << c.name;
    }
}

}  // namespace
