#pragma once
// The police car sent after a player who passed a speed sign too fast.

#include "world/world.h"

class TCarPolice : public WorldSprite {
public:
    explicit TCarPolice(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;

    bool Overtaken = false;

private:
    // The police car leaves the road, wrecked or left behind.
    void Leave();
};
