#pragma once
// The explosion left on the road where something blew up.

#include "world/world.h"

// An explosion at the point of the object that exploded (drawn 10 pixels to its right).
class TBoomSprite : public WorldSprite {
public:
    TBoomSprite(WorldContext& world, double x, double y);
    void Step(int32_t lagCount) override;
};
