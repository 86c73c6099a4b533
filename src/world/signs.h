#pragma once
// Speed signs, the indicators of the head-up display and explosions.

#include "world/world.h"

// A speed-limit sign; passing it faster than its limit starts a police chase.
class TZnak : public WorldSprite {
public:
    explicit TZnak(WorldContext& world);
    void Step(int32_t lagCount) override;
    uint8_t Limit = 30;
    bool Triggered = false;
};

// The health line, squeezed to the car's health.
class TIndexGorod : public WorldSprite {
public:
    explicit TIndexGorod(WorldContext& world);
    void Step(int32_t lagCount) override;
};

class TIndexPolice : public WorldSprite {
public:
    explicit TIndexPolice(WorldContext& world);
    void Step(int32_t lagCount) override;
};

class TIndexGuns : public WorldSprite {
public:
    explicit TIndexGuns(WorldContext& world);
    void Step(int32_t lagCount) override;
};

class TIndexNitro : public WorldSprite {
public:
    explicit TIndexNitro(WorldContext& world);
    void Step(int32_t lagCount) override;
};

// An explosion at the point of the object that exploded (drawn 10 pixels to its right).
class TBoomSprite : public WorldSprite {
public:
    TBoomSprite(WorldContext& world, double x, double y);
    void Step(int32_t lagCount) override;
};
