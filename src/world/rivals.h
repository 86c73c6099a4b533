#pragma once
// The rival clan's cars.

#include <string>

#include "world/world.h"

// The armed rival: comes down the road, drifts towards the player and fires its gun at them.
class TEnemyCar : public WorldSprite {
public:
    explicit TEnemyCar(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;
    void Render() override;

    std::string GunName;  // "pistolet", "avtomat", "bazuka", "raketnica" or empty
    uint8_t GunAngle = 0;
    uint8_t ShotTimer = 0;
    uint8_t AimTimer = 15;
    uint8_t ShotInterval = 0;

private:
    // The gun's muzzle on the car's roof, in whole pixels.
    int32_t MuzzleX() const;
    int32_t MuzzleY() const;
    // The volley of GunName from the muzzle at GunAngle.
    void FireVolley();
    // Where the gun picture is drawn so that it turns about its grip on the muzzle point.
    Rect GunRect() const;
};

// The unarmed rival placed at every start of a car.
class TEnemyCarFirst : public WorldSprite {
public:
    TEnemyCarFirst(WorldContext& world, double y);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;
};

// The rival picture: the other clan's car.
const char* RivalPicture(const GameState& state);
// The gun angle a rival at (x, y) turns to for the player at (playerX, playerY), or `current`
// when the rival is level with the player or with the aim point 7 px left of the player.
uint8_t AimAngle(double x, double y, double playerX, double playerY, uint8_t current);
