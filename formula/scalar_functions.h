// Built-in functions of one or a few numbers that are more than an operator:
// integer sequences, envelopes, plane geometry and colour conversions.
#pragma once

#include <cmath>
#include <cstdint>

namespace trevalin {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;

// Fibonacci-type count: start (1, 0), add n times in wrapping 32-bit integers.
// fib(0) = fib(1) = 1, fib(10) = 89; a negative count gives 1.
double fib(double a);
// 1 or 0 by trial division with odd divisors while the quotient exceeds the
// divisor; numbers below 4 give 1 and odd squares of primes pass.
double prime(double a);

// Straight-line envelope of length dur: rise from 0, hold 1, fall over dec.
double linen(double x, double rise, double dur, double dec);
// Linear rise, then level^((x - rise) / dur): level at x = rise + dur.
double linenr(double x, double rise, double dur, double level);
// x clamped to [lo, hi]; the midpoint offset (hi - lo) / 2 when hi < lo.
double limit(double x, double lo, double hi);

// Angle of (a, b) in [0, 2*pi]: 0 along +a, pi/2 at (0, -b); NaN at the origin.
double angle(double a, double b);
inline double distance(double a, double b) {
    return std::sqrt(a * a + b * b);
}

// Hue, saturation, value (0 .. 255 each) to red, green, blue in place. Values
// outside 0 .. 255 go through the same arithmetic unclamped.
void hsvToRgb(std::int32_t& h, std::int32_t& s, std::int32_t& v);

// A packed source pixel has red in bits 0-7, green 8-15, blue 16-23.
inline std::int32_t redOf(std::uint32_t p) {
    return static_cast<std::int32_t>(p & 0xFF);
}
inline std::int32_t greenOf(std::uint32_t p) {
    return static_cast<std::int32_t>(p >> 8 & 0xFF);
}
inline std::int32_t blueOf(std::uint32_t p) {
    return static_cast<std::int32_t>(p >> 16 & 0xFF);
}
// Largest of the three bytes (the variable l).
std::int32_t pixelLargest(std::uint32_t p);
// Saturation on 0 .. 255 (the variable s): (M - m) * 255 / M, 0 for black.
double pixelSaturation(std::uint32_t p);
// Hue on 0 .. 255 (the variable c): 0 for grey, 85 for green, 170 for blue.
double pixelHue(std::uint32_t p);

} // namespace trevalin
