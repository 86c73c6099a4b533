#include "world/pickups.h"

#include <cmath>

#include "app/random.h"
#include "engine/math256.h"
#include "world/kinds.h"
#include "world/signs.h"

namespace {

// A pistol on level 1, one of the first two on level 2, three on level 3, all four from level 4.
uint8_t KindForLevel(int32_t level) {
    int32_t kind = 1;
    if (level > 1) kind = 1 + Random(2);
    if (level > 2) kind = 1 + Random(3);
    if (level > 3) kind = 1 + Random(4);
    return static_cast<uint8_t>(kind);
}

// Kinds outside 1..4 have no gun of their own; they are the pistol, as their picture is.
uint8_t ValidKind(uint8_t kind) {
    return kind >= 1 && kind <= 4 ? kind : 1;
}

}  // namespace

Pickup::Pickup(WorldContext& world, const std::string& picture, int32_t laneOffset, double y)
    : WorldSprite(world) {
    SetPicture(picture + (g().Clan == 2 ? "_d" : "_b"));
    X = LaneX(g(), Random(4), laneOffset);
    Y = y;
    SetZ(2);
    FrameCount = PatternCount();
    FrameLoop = true;
    FrameIndex = 0;
}

void Pickup::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    Collide();
    w.input.Update();
    if (KillsBelow() && Y >= 1000) Kill();
    if (g().Driving) Y = Y + g().Speed;
}

void Pickup::Hit(TSprite* other, bool&) {
    if (!IsPlayerCar(other)) return;
    PlaySound(Sound());
    Kill();
    Collected();
}

TLiveSprite::TLiveSprite(WorldContext& world) : Pickup(world, "live", 60, 25) {}

void TLiveSprite::Collected() {
    g().Lives += 1;
    g().Score += 20;
}

TGunsSprite::TGunsSprite(WorldContext& world) : TGunsSprite(world, KindForLevel(world.state.Level)) {}

TGunsSprite::TGunsSprite(WorldContext& world, uint8_t kind)
    : Pickup(world, GunPicture(ValidKind(kind)), 55, -40), Kind(ValidKind(kind)) {}

void TGunsSprite::Collected() {
    GameState& s = g();
    s.HasWeapon = true;
    new TGunsCar(w, Kind);
    // One ammunition indicator: only a car without shots gets a new one.
    if (s.Ammo <= 0) new TIndexGuns(w);
    s.Ammo += 8;
    s.Score += 20;
}

TBonusSprite::TBonusSprite(WorldContext& world) : Pickup(world, "bonus", 55, -40) {}

void TBonusSprite::Collected() {
    g().Score += 100;
}

TNitroSprite::TNitroSprite(WorldContext& world) : Pickup(world, "nitro", 55, -40) {}

void TNitroSprite::Collected() {
    GameState& s = g();
    s.NitroOn = true;
    s.Score += 50;
    // A nitro already running has its indicator.
    if (!w.timers.Timer_Nitro.Enabled()) new TIndexNitro(w);
    s.SpeedBeforeNitro = RoundHalfEven(s.Speed);
    s.Speed = 15;
    s.NitroSeconds = 0;
    new TNitroCar(w);
    w.timers.Timer_Nitro.SetEnabled(true, w.now());
}

TMedicSprite::TMedicSprite(WorldContext& world) : Pickup(world, "remont", 55, -40) {}

void TMedicSprite::Collected() {
    g().Health = g().Health + 20;
    if (g().Health > 100) g().Health = 100;
    g().Score += 20;
}

TGunsCar::TGunsCar(WorldContext& world, uint8_t kind) : WorldSprite(world), Kind(ValidKind(kind)) {
    SetPicture(GunPicture(Kind));
    FrameCount = PatternCount();
    FrameLoop = false;
    FrameSpeed = 0.25;
    FrameIndex = 0;
    SetZ(5);
    // The player's shots follow the gun last mounted.
    g().WeaponKind = Kind;
    X = g().PlayerX + 29 - Width / 2.0;
    Y = g().PlayerY - 4;
}

void TGunsCar::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    X = g().PlayerX + 29 - Width / 2.0;
    Y = g().PlayerY - 4;
    if (g().Health <= 0) Kill();
    // A newer gun has its own mounted sprite.
    if (g().WeaponKind != Kind) Kill();
}

TNitroCar::TNitroCar(WorldContext& world) : WorldSprite(world) {
    SetPicture("nitroFlames");
    SetZ(2);
    X = g().PlayerX + 4;
    Y = g().PlayerY + 120;
}

void TNitroCar::Step(int32_t lagCount) {
    TImageSprite::Step(lagCount);
    if (!g().NitroOn) Kill();
    X = g().PlayerX + 4;
    // The flames wobble by up to 3 px as the road passes.
    Y = g().PlayerY + 125 + 3 * std::sin(g().Distance / 3.0);
    if (g().Health <= 0) Kill();
}

const char* GunPicture(uint8_t kind) {
    static const char* const kNames[] = {"pistolet", "avtomat", "bazuka", "raketnica"};
    return kind >= 1 && kind <= 4 ? kNames[kind - 1] : "pistolet";
}
