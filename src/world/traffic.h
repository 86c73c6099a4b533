#pragma once
// City traffic and the level-intro truck.

#include "world/world.h"

// A civilian car, motorcycle or lorry coming down the road at the road's speed plus its own.
class TEnemyCityCar : public WorldSprite {
public:
    explicit TEnemyCityCar(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;

    double OwnSpeed = 0;
};

// The truck that carries the car up the road at the start of a level, opens, lets it out and
// drives off; when it has left, the player has control.
class TCarFura : public WorldSprite {
public:
    explicit TCarFura(WorldContext& world);
    void Step(int32_t lagCount) override;
};
