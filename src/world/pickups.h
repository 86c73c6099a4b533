#pragma once
// Pickups on the road, the gun mounted on the car and the nitro flames.

#include <string>

#include "world/world.h"

// Common to the five pickups: a lane at the top of the road, scrolls with it, takes effect
// when the player's car touches it.
class Pickup : public WorldSprite {
public:
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;

protected:
    // picture: the name without the clan's "_b"/"_d"; laneOffset and y as the kind places it.
    Pickup(WorldContext& world, const std::string& picture, int32_t laneOffset, double y);
    // The pickup's own effect, after its sound and Kill.
    virtual void Collected() = 0;
    virtual const char* Sound() const { return "beep"; }
    // Pickups other than nitro remove themselves at Y 1000.
    virtual bool KillsBelow() const { return true; }
};

class TLiveSprite : public Pickup {
public:
    explicit TLiveSprite(WorldContext& world);

protected:
    void Collected() override;
    const char* Sound() const override { return "live"; }
};

class TGunsSprite : public Pickup {
public:
    // The kind by level: a pistol on level 1, one of two on level 2, ... all four from level 4.
    explicit TGunsSprite(WorldContext& world);
    TGunsSprite(WorldContext& world, uint8_t kind);
    uint8_t Kind = 1;

protected:
    void Collected() override;
    const char* Sound() const override { return "bell"; }
};

class TBonusSprite : public Pickup {
public:
    explicit TBonusSprite(WorldContext& world);

protected:
    void Collected() override;
};

class TNitroSprite : public Pickup {
public:
    explicit TNitroSprite(WorldContext& world);

protected:
    void Collected() override;
    bool KillsBelow() const override { return false; }
};

class TMedicSprite : public Pickup {
public:
    explicit TMedicSprite(WorldContext& world);

protected:
    void Collected() override;
};

// The collected gun, riding on the car.
class TGunsCar : public WorldSprite {
public:
    TGunsCar(WorldContext& world, uint8_t kind);
    void Step(int32_t lagCount) override;
    uint8_t Kind = 1;
};

// The nitro flames behind the car.
class TNitroCar : public WorldSprite {
public:
    explicit TNitroCar(WorldContext& world);
    void Step(int32_t lagCount) override;
};

// The gun picture of a weapon kind 1..4 ("pistolet", "avtomat", "bazuka", "raketnica").
const char* GunPicture(uint8_t kind);
