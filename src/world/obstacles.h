#pragma once
// What stands on or beside the road, and the removal line below the screen that recycles it.

#include "world/world.h"

// Scrolls with the road and runs its collision pass (the common step of the obstacles).
class Obstacle : public WorldSprite {
public:
    using WorldSprite::WorldSprite;
    void Step(int32_t lagCount) override;

protected:
    // Whether the step refreshes the input state (posts, rocks and puddles do).
    virtual bool RefreshesInput() const { return false; }
};

class TStolb : public Obstacle {
public:
    explicit TStolb(WorldContext& world);
    void Hit(TSprite* other, bool& done) override;
    bool HitDone = false;

protected:
    bool RefreshesInput() const override { return true; }
};

class TRocksMassovka : public Obstacle {
public:
    explicit TRocksMassovka(WorldContext& world);

protected:
    bool RefreshesInput() const override { return true; }
};

class TPoliceState : public Obstacle {
public:
    explicit TPoliceState(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;
};

class TPoliceShips : public Obstacle {
public:
    TPoliceShips(WorldContext& world, int32_t x);
    void Hit(TSprite* other, bool& done) override;
};

class TPoliceZabor : public Obstacle {
public:
    TPoliceZabor(WorldContext& world, int32_t x);
    void Hit(TSprite* other, bool& done) override;
};

class TLuja : public Obstacle {
public:
    explicit TLuja(WorldContext& world);

protected:
    bool RefreshesInput() const override { return true; }
};

class TLujaUje : public Obstacle {
public:
    TLujaUje(WorldContext& world, double x, double y);

protected:
    bool RefreshesInput() const override { return true; }
};

// The invisible line from Y 750 to 800 that removes what scrolls past and puts new traffic at
// the top in its place.
class TKillerLine : public WorldSprite {
public:
    explicit TKillerLine(WorldContext& world);
    void Step(int32_t lagCount) override;
    void Hit(TSprite* other, bool& done) override;
};
