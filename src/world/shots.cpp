#include "world/shots.h"

// Placeholder definitions while the family is being written.
TBuletSprite::TBuletSprite(WorldContext& world, int16_t direction, double) : WorldSprite(world), Direction(direction) {}
void TBuletSprite::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TBuletSprite::Hit(TSprite*, bool&) {}
TBuletSpriteEnemy::TBuletSpriteEnemy(WorldContext& world, int32_t, int32_t, uint8_t angle, uint8_t kind)
    : WorldSprite(world), Angle(angle), Kind(kind) {}
void TBuletSpriteEnemy::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TBuletSpriteEnemy::Hit(TSprite*, bool&) {}
void FirePlayerVolley(WorldContext&) {}
