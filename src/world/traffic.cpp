#include "world/traffic.h"

// Placeholder definitions while the family is being written.
TEnemyCityCar::TEnemyCityCar(WorldContext& world) : WorldSprite(world) {}
void TEnemyCityCar::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TEnemyCityCar::Hit(TSprite*, bool&) {}
TCarFura::TCarFura(WorldContext& world) : WorldSprite(world) {}
void TCarFura::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
