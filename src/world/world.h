#pragma once
// What every object on the road is given: the shared game state, the pictures, the sounds, the
// window's timers, the polled input, the engine root its sprites live under, and the game
// screen's own operations (losing the car) that a road object may call.

#include <cstdint>
#include <functional>
#include <string_view>

#include "app/audio.h"
#include "app/game_state.h"
#include "app/input_states.h"
#include "app/timers.h"
#include "engine/image_list.h"
#include "engine/sprite.h"

struct WorldContext {
    GameState& state;
    TPictureCollection& images;
    GameAudio& audio;
    WindowTimers& timers;
    TDXInput& input;
    // The game screen's ByeByeMyCar: the player's car is lost (or a level begins).
    std::function<void()> loseCar;
    // The window timers' clock, in milliseconds.
    std::function<uint64_t()> now;
    TSpriteEngine& root;
};

// Base of every picture on the road: a TImageSprite under the engine root that knows its world.
class WorldSprite : public TImageSprite {
public:
    explicit WorldSprite(WorldContext& world) : TImageSprite(&world.root), w(world) {}

protected:
    // ImageItem := the picture `name` (throws "Image '%s' not found"); Width and Height := its
    // pattern size.
    void SetPicture(std::string_view name);
    // The picture's pattern count.
    int32_t PatternCount() const;
    GameState& g() { return w.state; }
    void PlaySound(const char* sound) { w.audio.PlaySound(sound); }

    WorldContext& w;
};

// The X of lane 0..3 plus an offset: RoadLeft + lane * LaneWidth + offset.
double LaneX(const GameState& state, int32_t lane, int32_t offset);
