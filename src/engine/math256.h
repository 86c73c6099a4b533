#pragma once
// Angles in 1/256 of a full turn, and the modulo helpers positions wrap with.

#include <cstdint>

// With Y growing downwards, (Cos256(a), Sin256(a)) points right at a = 0 and down at a = 64.
double Cos256(uint8_t angle);
double Sin256(uint8_t angle);
// The arc tangent in radians, computed here in plain arithmetic so that it is the same on every
// machine (the system's maths library may round its last bit otherwise from one CPU to the next).
// Within 2 units in the last place of the exact value.
double PortableAtan(double x);

// a mod n moved into [0, n).
int32_t WrapMod(int32_t a, int32_t n);
// x - trunc(x / n) * n, plus n when negative; x itself when n is 0.
double FloatMod(double x, double n);

// The nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4), as every number the
// game shows or computes from halves is rounded. Saturates outside the 32-bit range.
int32_t RoundHalfEven(double value);
