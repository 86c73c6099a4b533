#include "engine/math256.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

const std::array<double, 256>& CosTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = std::cos(i / 256.0 * 2.0 * std::numbers::pi);
        return t;
    }();
    return table;
}

}  // namespace

double Cos256(uint8_t angle) {
    return CosTable()[angle];
}

double Sin256(uint8_t angle) {
    return CosTable()[static_cast<uint8_t>(angle + 192)];
}

int32_t WrapMod(int32_t a, int32_t n) {
    if (n == 0) return 0;
    int32_t r = a % n;
    if (r < 0) r += n;
    return r;
}

double FloatMod(double x, double n) {
    if (n == 0) return x;
    double r = x - std::trunc(x / n) * n;
    if (r < 0) r += n;
    return r;
}

int32_t RoundHalfEven(double value) {
    if (!(value == value)) return 0;
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (rounded >= 2147483647.0) return INT32_MAX;
    if (rounded <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(rounded);
}
