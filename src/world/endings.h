#pragma once
// How things on the road end, the same for every family: the player's car knocked or lost, and
// something blown up.

#include <cstdint>
#include <span>

#include "engine/sprite.h"
#include "world/world.h"

// The ways the player's car is lost, each with its own sounds.
enum class CarLoss {
    Crash,   // "boom": shot up, or crashed into a post or the police car
    Wreck,   // "dead" then "boom": wrecked on a police post, a barrier, spikes, traffic or the first rival
    Rammed,  // "boom" then "dead": rammed by an armed rival
    Arrest,  // no sound: stopped by the police
};

// The player's car is lost `how`: its sounds, then the game screen's ByeByeMyCar.
void LoseCar(WorldContext& world, CarLoss how);

// The player's car has taken a blow: a knock ("boom_stena") while it has health left, else it
// is lost `how`.
void CarHit(WorldContext& world, CarLoss how);

// Running into something at speed: health by the speed (none while the new car still blinks)
// and 2 of the speed.
void RamDamage(GameState& state);

// Where one explosion of a blow-up goes, from the point the blow-up is placed at.
struct BlastOffset {
    int32_t dx;
    int32_t dy;
};
// One explosion, on the point itself.
inline constexpr BlastOffset kOneBlast[] = {{0, 0}};

// The "boom" and an explosion at each of `blasts` from (x, y).
void Explode(WorldContext& world, double x, double y, std::span<const BlastOffset> blasts = kOneBlast);

// `victim` blows up: the "boom" and its explosions from (x, y), the victim goes, and the player
// scores `points`.
void BlowUp(WorldContext& world, TSprite& victim, double x, double y, int32_t points,
            std::span<const BlastOffset> blasts = kOneBlast);
