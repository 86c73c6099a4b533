#pragma once
// What kind of thing a sprite on the road is, for the objects (and the autopilot) that treat
// whole kinds alike.

#include "engine/sprite.h"

// The player's car.
bool IsPlayerCar(const TSprite* s);
// A rival clan's car, armed or not.
bool IsRival(const TSprite* s);
// Posts, puddles and city traffic: what the removal line and the police post recycle.
bool IsRoadsideTraffic(const TSprite* s);
