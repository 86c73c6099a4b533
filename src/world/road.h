#pragma once
// The scrolling road and the player's car.

#include "engine/sprite.h"
#include "world/world.h"

// The road picture, 200 x 10 cells of pattern 0, wrapped so it repeats endlessly; it scrolls
// down by the car's speed (3 a frame during the level intro).
class TScrollBackground : public TBackgroundSprite {
public:
    explicit TScrollBackground(WorldContext& world);
    void Step(int32_t lagCount) override;

private:
    WorldContext& w;
};

// The player's car: fixed on row 399 once in play; steers, accelerates, coasts and brakes.
class TCarSprite : public WorldSprite {
public:
    explicit TCarSprite(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;
};
