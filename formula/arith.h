// Arithmetic whose result the language defines beyond plain IEEE rules. The
// constant folder and the interpreter both call these, so a folded literal and
// the same operation at run time can never disagree.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace trevalin {

// Truncates toward zero to int32. NaN, infinities and values outside the int32
// range give INT32_MIN, as the hardware conversion does; a plain cast of those
// would be undefined behaviour.
constexpr std::int32_t truncToInt32(double v) {
    if (v > -2147483649.0 && v < 2147483648.0) return static_cast<std::int32_t>(v);
    return std::numeric_limits<std::int32_t>::min();
}

// a / b, positive infinity when b is 0 or NaN, whatever a is.
inline double divideOp(double a, double b) {
    if (b == 0.0 || b != b) return std::numeric_limits<double>::infinity();
    return a / b;
}

// Remainder of the truncated operands with the dividend's sign; 0 for a zero
// divisor, and 0 for INT32_MIN % -1, which the hardware traps on.
inline double modOp(double a, double b) {
    const std::int32_t ia = truncToInt32(a), ib = truncToInt32(b);
    if (ib == 0 || ib == -1) return 0.0;
    return static_cast<double>(ia % ib);
}

inline double addOp(double a, double b) {
    return a + b;
}
inline double subtractOp(double a, double b) {
    return a - b;
}
inline double multiplyOp(double a, double b) {
    return a * b;
}
inline double negateOp(double a) {
    return -a;
}
inline double intOp(double a) {
    return static_cast<double>(truncToInt32(a));
}
inline double complementOp(double a) {
    return static_cast<double>(~truncToInt32(a));
}
inline double bitAndOp(double a, double b) {
    return static_cast<double>(truncToInt32(a) & truncToInt32(b));
}
inline double bitOrOp(double a, double b) {
    return static_cast<double>(truncToInt32(a) | truncToInt32(b));
}
inline double xorOp(double a, double b) {
    return static_cast<double>(truncToInt32(a) ^ truncToInt32(b));
}
inline double powOp(double a, double b) {
    return std::pow(a, b);
}
inline double pow2Op(double a) {
    return std::pow(2.0, a);
}

} // namespace trevalin
