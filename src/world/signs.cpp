#include "world/signs.h"

// Placeholder definitions while the family is being written.
TZnak::TZnak(WorldContext& world) : WorldSprite(world) {}
void TZnak::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TIndexGorod::TIndexGorod(WorldContext& world) : WorldSprite(world) {}
void TIndexGorod::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TIndexPolice::TIndexPolice(WorldContext& world) : WorldSprite(world) {}
void TIndexPolice::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TIndexGuns::TIndexGuns(WorldContext& world) : WorldSprite(world) {}
void TIndexGuns::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TIndexNitro::TIndexNitro(WorldContext& world) : WorldSprite(world) {}
void TIndexNitro::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
TBoomSprite::TBoomSprite(WorldContext& world, double, double) : WorldSprite(world) {}
void TBoomSprite::Step(int32_t lagCount) { TImageSprite::Step(lagCount); }
