#include "world/road.h"

// Placeholder definitions while the family is being written.
TScrollBackground::TScrollBackground(WorldContext& world) : TBackgroundSprite(&world.root), w(world) {}
void TScrollBackground::Step(int32_t) {}
TCarSprite::TCarSprite(WorldContext& world) : WorldSprite(world) {}
void TCarSprite::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TCarSprite::Hit(TSprite*, bool&) {}
