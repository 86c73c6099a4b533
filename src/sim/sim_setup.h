#pragma once
// Test set-up in simulator scripts: game values by name and road objects by class name.

#include <string>

#include "app/game_state.h"
#include "engine/sprite.h"
#include "world/world.h"

// Sets the game state value `name` (Score, Speed, Health, Distance, ...); false when there is none.
bool SetGameValue(GameState& state, const std::string& name, double value);
// Puts a new road object of class `name` on the road; nullptr when there is none by that name.
TSprite* SpawnRoadObject(WorldContext& world, const std::string& name);
