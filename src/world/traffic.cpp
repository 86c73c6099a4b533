#include "world/traffic.h"

#include "app/random.h"
#include "world/endings.h"
#include "world/explosion.h"
#include "world/kinds.h"

namespace {

struct CityVehicle {
    const char* picture;
    double ownSpeed;
};

// Ordinary cars, the motorcycle and the lorry, each faster or slower than the road.
constexpr CityVehicle kCityVehicles[] = {
    {"car1_down", 1.0},
    {"car2_down", 1.1},
    {"moto_down", 1.7},
    {"gruz_down", 0.8},
};

}  // namespace

TEnemyCityCar::TEnemyCityCar(WorldContext& world) : WorldSprite(world) {
    const CityVehicle& kind = kCityVehicles[Random(4)];
    SetPicture(kind.picture);
    OwnSpeed = kind.ownSpeed;
    X = LaneX(g(), Random(4), 22);
    Y = -140;
    SetZ(4);
    FrameIndex = 0;
}

void TEnemyCityCar::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    w.input.Update();
    // Oncoming traffic: the road's scroll plus its own way down the screen.
    if (g().Driving) Y += g().Speed + OwnSpeed;
}

void TEnemyCityCar::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    // While the level banner shows, traffic in the way just clears off.
    if (w.timers.Timer_Level.Enabled()) {
        Kill();
        return;
    }
    new TBoomSprite(w, X, Y);
    Kill();
    RamDamage(g());
    if (g().Driving) CarHit(w, CarLoss::Wreck);
}

TCarFura::TCarFura(WorldContext& world) : WorldSprite(world) {
    g().TruckArrived = false;
    SetPicture("fura");
    // Its top edge starts at the bottom of the screen; drawn over the player's car.
    X = 440;
    Y = 600;
    SetZ(5);
    FrameIndex = 0;
    FrameCount = PatternCount();
    FrameLoop = false;
}

void TCarFura::Step(int32_t lagCount) {
    // The opening animation runs on through a pause; only the driving stops.
    TImageSprite::Step(lagCount);
    GameState& s = g();
    if (s.Paused || s.GameMainExit) return;
    if (Y > 100) Y -= 3;
    // Open: the car is out, drive off.
    if (FrameIndex == FrameCount - 1) Y -= 3;
    // 600 - 167 * 3: stopped, open the back.
    if (Y == 99) {
        s.TruckArrived = true;
        FrameSpeed = 0.05;
    }
    // Its whole length (338) is off the top: the player takes over.
    if (Y <= -338) {
        s.Speed = 2.0;
        s.LevelIntro = false;
        s.Driving = true;
        Kill();
    }
}
