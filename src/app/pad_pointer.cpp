#include "app/pad_pointer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFullTravel = 32767.0;
constexpr double kRightmost = 799.0;
constexpr double kLowest = 599.0;

}  // namespace

PointerVelocity StickPointerVelocity(int32_t axisX, int32_t axisY) {
    const double x = axisX / kFullTravel;
    const double y = axisY / kFullTravel;
    const double length = std::hypot(x, y);
    if (length <= kPointerDeadZone) return {};
    // 0 at the dead zone's edge, 1 at full travel (a stick's corners reach beyond 1).
    const double past = std::min(1.0, (length - kPointerDeadZone) / (1.0 - kPointerDeadZone));
    const double speed = kPointerTopSpeed * past * past;
    return {speed * x / length, speed * y / length};
}

std::optional<PointerPixel> PadPointer::Step(int32_t axisX, int32_t axisY, int32_t lagCount,
                                             PointerPixel pointer) {
    const PointerVelocity velocity = StickPointerVelocity(axisX, axisY);
    if ((velocity.x == 0 && velocity.y == 0) || lagCount <= 0) {
        Release();
        return std::nullopt;
    }
    // A warp comes back as a pointer move some time later: until then the game still sees the
    // pointer where it was. Anything else is the mouse, and the pointer is where it left it.
    if (!moving_ || (pointer != warped_ && pointer != seen_)) {
        x_ = pointer.x;
        y_ = pointer.y;
        warped_ = pointer;
    }
    moving_ = true;
    seen_ = pointer;
    x_ = std::clamp(x_ + velocity.x * lagCount, 0.0, kRightmost);
    y_ = std::clamp(y_ + velocity.y * lagCount, 0.0, kLowest);
    const PointerPixel pixel{static_cast<int32_t>(std::lround(x_)), static_cast<int32_t>(std::lround(y_))};
    if (pixel == warped_) return std::nullopt;
    warped_ = pixel;
    return pixel;
}
