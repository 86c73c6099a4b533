#include "world/obstacles.h"

// Placeholder definitions while the family is being written.
void Obstacle::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TStolb::TStolb(WorldContext& world) : Obstacle(world) {}
void TStolb::Hit(TSprite*, bool&) {}
TRocksMassovka::TRocksMassovka(WorldContext& world) : Obstacle(world) {}
TPoliceState::TPoliceState(WorldContext& world) : Obstacle(world) {}
void TPoliceState::Step(int32_t lagCount) { Obstacle::Step(lagCount); }
void TPoliceState::Hit(TSprite*, bool&) {}
TPoliceShips::TPoliceShips(WorldContext& world, int32_t) : Obstacle(world) {}
void TPoliceShips::Hit(TSprite*, bool&) {}
TPoliceZabor::TPoliceZabor(WorldContext& world, int32_t) : Obstacle(world) {}
void TPoliceZabor::Hit(TSprite*, bool&) {}
TLuja::TLuja(WorldContext& world) : Obstacle(world) {}
TLujaUje::TLujaUje(WorldContext& world, double, double) : Obstacle(world) {}
TKillerLine::TKillerLine(WorldContext& world) : WorldSprite(world) {}
void TKillerLine::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TKillerLine::Hit(TSprite*, bool&) {}
