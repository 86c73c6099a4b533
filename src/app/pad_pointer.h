#pragma once
// The pointer under the gamepad's left stick, for the menus. A small dead zone, then a speed that
// rises with the square of the deflection up to a top speed that crosses the 800 px surface in
// about a second. Speeds are per 5 ms step and a frame moves by its lag count of them, so the
// pointer goes as fast at any frame rate. The position is kept to a fraction of a pixel and stays
// on the 800 x 600 surface.

#include <cstdint>
#include <optional>

// Stick travel, from the centre, inside which the pointer rests: a fifth of the way.
inline constexpr double kPointerDeadZone = 0.2;
// Pixels a 5 ms step at full deflection: 800 px in 200 steps, one second.
inline constexpr double kPointerTopSpeed = 4.0;

struct PointerVelocity {
    double x = 0;  // pixels a 5 ms step
    double y = 0;
};

// The pointer's velocity for the stick at (axisX, axisY), each -32768..32767. The dead zone is
// round (a push along a diagonal is as fast as one along an axis) and the direction is the
// stick's own.
PointerVelocity StickPointerVelocity(int32_t axisX, int32_t axisY);

struct PointerPixel {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PointerPixel& other) const { return x == other.x && y == other.y; }
    bool operator!=(const PointerPixel& other) const { return !(*this == other); }
};

class PadPointer {
public:
    // One frame of `lagCount` 5 ms steps with the stick at (axisX, axisY). `pointer` is where the
    // game last saw the pointer: a push starts from there, and so does the next frame when the
    // mouse has moved it meanwhile. Returns the pixel to warp the pointer to, nothing while it
    // stays on its pixel.
    std::optional<PointerPixel> Step(int32_t axisX, int32_t axisY, int32_t lagCount, PointerPixel pointer);
    // The stick let go, the pad gone or play begun: the next push starts from the pointer.
    void Release() { moving_ = false; }

    double X() const { return x_; }
    double Y() const { return y_; }

private:
    bool moving_ = false;
    double x_ = 0;
    double y_ = 0;
    PointerPixel warped_;  // where the last warp went
    PointerPixel seen_;    // where the game saw the pointer at the last step
};
