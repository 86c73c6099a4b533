#include "world/rivals.h"

// Placeholder definitions while the family is being written.
TEnemyCar::TEnemyCar(WorldContext& world) : WorldSprite(world) {}
void TEnemyCar::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TEnemyCar::Hit(TSprite*, bool&) {}
void TEnemyCar::Render() { TImageSprite::Render(); }
TEnemyCarFirst::TEnemyCarFirst(WorldContext& world, double) : WorldSprite(world) {}
void TEnemyCarFirst::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TEnemyCarFirst::Hit(TSprite*, bool&) {}
const char* RivalPicture(const GameState& state) { return state.Clan == 2 ? "carOfBuldogs" : "carOfDragons"; }
uint8_t AimAngle(double, double, double, double, uint8_t current) { return current; }
