#include "world/explosion.h"

TBoomSprite::TBoomSprite(WorldContext& world, double x, double y) : WorldSprite(world) {
    SetPicture("boom");
    X = x + 10;
    Y = y;
    SetZ(2);
    FrameCount = PatternCount();
    FrameLoop = false;
    FrameSpeed = 0.25;
    FrameIndex = 0;
}

void TBoomSprite::Step(int32_t lagCount) {
    // Plays once and stays on its last pattern, where it happened on the road.
    TImageSprite::Step(lagCount);
    w.input.Update();
    if (g().Driving) Y = Y + g().Speed;
    if (Y > 700) Kill();
}
