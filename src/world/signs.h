#pragma once
// Speed signs and the indicators of the head-up display.

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
