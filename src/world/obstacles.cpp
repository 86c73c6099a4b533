#include "world/obstacles.h"

#include "app/random.h"
#include "world/endings.h"
#include "world/explosion.h"
#include "world/kinds.h"
#include "world/police.h"
#include "world/rivals.h"
#include "world/signs.h"
#include "world/traffic.h"

namespace {

// Near the end of the level nothing new is put on the road, and what would be replaced stays.
bool LevelNearlyDone(const GameState& s) {
    return s.LevelLength - s.Distance < 1000;
}

}  // namespace

void Obstacle::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    if (RefreshesInput()) w.input.Update();
    // A fixed scroll a frame, whatever the lag.
    if (g().Driving) Y += g().Speed;
}

// ---- roadside post

TStolb::TStolb(WorldContext& world) : Obstacle(world) {
    SetPicture("stolb");
    X = 550;
    Y = -150;
    SetZ(6);
}

void TStolb::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other) || HitDone) return;
    if (w.timers.Timer_Level.Enabled()) {
        Kill();
        return;
    }
    // It hurts once but stays on the road.
    HitDone = true;
    GameState& s = g();
    RamDamage(s);
    if (s.Speed < -1) s.Speed = -1;
    new TBoomSprite(w, other->X, other->Y);
    CarHit(w, CarLoss::Crash);
}

// ---- rocks on the verge

TRocksMassovka::TRocksMassovka(WorldContext& world) : Obstacle(world) {
    SetPicture("rocks");
    X = Random(2) == 1 ? 700 : 0;
    Y = 0;
    SetZ(2);
}

// ---- police post

TPoliceState::TPoliceState(WorldContext& world) : Obstacle(world) {
    SetPicture("policeState");
    X = 35;
    Y = -180;
    SetZ(3);
    g().PolicePostPresent = true;
}

void TPoliceState::Step(int32_t lagCount) {
    Obstacle::Step(lagCount);
    g().PolicePostY = Y;
}

void TPoliceState::Hit(TSprite* other, bool&) {
    // The post clears the road it stands on, putting something new at the top now and then.
    if (IsRoadsideTraffic(other)) {
        new TBoomSprite(w, other->X, other->Y);
        if (LevelNearlyDone(g())) return;
        const int32_t r = Random(101);
        if (r <= 10) {
            new TStolb(w);
        } else if (r <= 25) {
            new TEnemyCityCar(w);
        } else if (r <= 32) {
            new TLuja(w);
        }
        other->Kill();
    }
    if (IsRival(other)) {
        new TBoomSprite(w, other->X, other->Y);
        new TEnemyCar(w);
        other->Kill();
    }
    // Driving into a police post always costs the car.
    if (IsPlayerCar(other)) {
        new TBoomSprite(w, X, Y);
        Kill();
        LoseCar(w, CarLoss::Wreck);
    }
}

// ---- spike strip and barrier

TPoliceShips::TPoliceShips(WorldContext& world, int32_t x) : Obstacle(world) {
    SetPicture("shipi");
    X = x;
    Y = -50;
    SetZ(2);
}

void TPoliceShips::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    // Stops the car once, then lies harmless on the road.
    CanCollide = false;
    GameState& s = g();
    s.Health -= 5;
    s.Speed = 0;
    CarHit(w, CarLoss::Wreck);
}

TPoliceZabor::TPoliceZabor(WorldContext& world, int32_t x) : Obstacle(world) {
    SetPicture("zagrajdenie");
    X = x;
    Y = -45;
    SetZ(2);
}

void TPoliceZabor::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    CanCollide = false;
    Kill();
    GameState& s = g();
    s.Health -= 30;
    s.Speed -= 1;
    if (s.Speed < 0) s.Speed = 0;
    CarHit(w, CarLoss::Wreck);
}

// ---- puddles

TLuja::TLuja(WorldContext& world) : Obstacle(world) {
    static constexpr double kPuddleX[] = {100, 250, 400, 550};
    SetPicture("luja");
    X = kPuddleX[Random(4)];
    Y = -50;
    SetZ(1);
}

TLujaUje::TLujaUje(WorldContext& world, double x, double y) : Obstacle(world) {
    SetPicture("lujaUje");
    X = x + 10;
    Y = y;
    SetZ(2);
}

// ---- removal line

TKillerLine::TKillerLine(WorldContext& world) : WorldSprite(world) {
    SetPicture("cr_pr");
    X = 0;
    Y = 750;
    Height = 50;
    SetZ(2);
    FrameCount = PatternCount();
    FrameLoop = false;
    FrameSpeed = 0;
}

void TKillerLine::Step(int32_t lagCount) {
    // It stays put below the screen.
    TImageSprite::Step(lagCount);
    Collide();
}

void TKillerLine::Hit(TSprite* other, bool&) {
    // The level-start truck is longer than the screen and must get through.
    if (dynamic_cast<TCarFura*>(other) != nullptr) return;
    if (IsRoadsideTraffic(other)) {
        if (LevelNearlyDone(g())) return;
        const int32_t r = Random(101);
        if (r <= 28) {
            new TStolb(w);
        } else if (r <= 56) {
            new TLuja(w);
        } else {
            new TEnemyCityCar(w);
        }
    }
    if (IsRival(other)) {
        if (LevelNearlyDone(g())) return;
        new TEnemyCar(w);
    }
    GameState& s = g();
    if (dynamic_cast<TPoliceState*>(other) != nullptr) s.PolicePostPresent = false;
    if (dynamic_cast<TZnak*>(other) != nullptr) s.SignPresent = false;
    if (dynamic_cast<TCarPolice*>(other) != nullptr) s.PoliceCarPresent = false;
    if (!IsPlayerCar(other)) other->Kill();
}
