#include "world/pickups.h"

// Placeholder definitions while the family is being written.
Pickup::Pickup(WorldContext& world, const std::string&, int32_t, double) : WorldSprite(world) {}
void Pickup::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void Pickup::Hit(TSprite*, bool&) {}
TLiveSprite::TLiveSprite(WorldContext& world) : Pickup(world, "live", 60, 25) {}
void TLiveSprite::Collected() {}
TGunsSprite::TGunsSprite(WorldContext& world) : TGunsSprite(world, 1) {}
TGunsSprite::TGunsSprite(WorldContext& world, uint8_t kind) : Pickup(world, "pistolet", 55, -40), Kind(kind) {}
void TGunsSprite::Collected() {}
TBonusSprite::TBonusSprite(WorldContext& world) : Pickup(world, "bonus", 55, -40) {}
void TBonusSprite::Collected() {}
TNitroSprite::TNitroSprite(WorldContext& world) : Pickup(world, "nitro", 55, -40) {}
void TNitroSprite::Collected() {}
TMedicSprite::TMedicSprite(WorldContext& world) : Pickup(world, "remont", 55, -40) {}
void TMedicSprite::Collected() {}
TGunsCar::TGunsCar(WorldContext& world, uint8_t kind) : WorldSprite(world), Kind(kind) {}
void TGunsCar::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TNitroCar::TNitroCar(WorldContext& world) : WorldSprite(world) {}
void TNitroCar::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
const char* GunPicture(uint8_t kind) {
    static const char* const kNames[] = {"pistolet", "avtomat", "bazuka", "raketnica"};
    return kind >= 1 && kind <= 4 ? kNames[kind - 1] : "pistolet";
}
