#include "world/police.h"

// Placeholder definitions while the family is being written.
TCarPolice::TCarPolice(WorldContext& world) : WorldSprite(world) {}
void TCarPolice::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
void TCarPolice::Hit(TSprite*, bool&) {}
