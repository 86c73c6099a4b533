#pragma once
// The player's volleys and shots, and the rivals' bullets and rockets.

#include "world/world.h"

// One shot of the player's volley: climbs the screen at 20 pixels a frame.
class TBuletSprite : public WorldSprite {
public:
    TBuletSprite(WorldContext& world, int16_t direction, double centreX);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;

    int16_t Direction = 0;
};

// A rival's bullet (kind 1) or rocket (kind 2), flying straight at its angle.
class TBuletSpriteEnemy : public WorldSprite {
public:
    TBuletSpriteEnemy(WorldContext& world, int32_t x, int32_t y, uint8_t angle, uint8_t kind);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;

    uint8_t Angle = 0;
    uint8_t Kind = 1;
};

// Fires the volley of the collected gun (WeaponKind) from the player's car; any other kind
// fires nothing. The caller has checked Driving, HasWeapon and ShotInFlight.
void FirePlayerVolley(WorldContext& world);
