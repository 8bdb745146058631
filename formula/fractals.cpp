#include "formula/fractals.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/code_walk.h"
#include "formula/formula_context.h"

namespace trevalin {
namespace {

inline std::int32_t rememberCount(FormulaContext& ctx, double x, double y, std::int32_t count) {
    ctx.memoX = x;
    ctx.memoY = y;
    ctx.memoCount = count;
    return count;
}

// z -> z^2 + c from (a, b); the squares from each escape test feed the next
// step. Returns the step whose |z|^2 reaches bound, or 0 past the limit; the
// escaping |z|^2 goes to escapeSize.
inline std::int32_t iterateSquare(double a, double b, double cx, double cy, std::int32_t limit,
                                  double bound, double& escapeSize) {
    double aa = a * a, bb = b * b;
    // 64-bit so a limit of INT32_MAX cannot overflow the counter.
    for (std::int64_t n = 1; n <= limit; ++n) {
        b = (a + a) * b + cy; // 2ab + y; a + a is 2a exactly
        a = aa - bb + cx;
        aa = a * a;
        bb = b * b;
        const double size = aa + bb;
        if (size >= bound) {
            escapeSize = size;
            return static_cast<std::int32_t>(n);
        }
    }
    return 0;
}

} // namespace

// Written as "not less and not greater" so that a NaN coordinate matches too.
bool memoHit(const FormulaContext& ctx, double x, double y) {
    return !(x < ctx.memoX || x > ctx.memoX) && !(y < ctx.memoY || y > ctx.memoY);
}

std::int32_t mandel(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double size;
    const std::int32_t count =
        iterateSquare(ctx.fractalStart, ctx.fractalStart, x, y, ctx.iterationLimit, 4.0, size);
    return rememberCount(ctx, x, y, count);
}

double manc(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoValue;
    double size = 0.0;
    const std::int32_t n =
        iterateSquare(ctx.fractalStart, ctx.fractalStart, x, y, ctx.iterationLimit, 10000.0, size);
    const double value = n == 0 ? 0.0 : -std::log(std::log10(size) / std::pow(2.0, n));
    ctx.memoX = x;
    ctx.memoY = y;
    ctx.memoValue = value;
    return value;
}

std::int32_t man3(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double a = ctx.fractalStart, b = ctx.fractalStart;
    std::int32_t count = 0;
    for (std::int64_t n = 1; n <= ctx.iterationLimit; ++n) {
        const double re = a * a * a - 3.0 * a * b * b + x;
        const double im = 3.0 * a * a * b - b * b * b + y;
        a = re;
        b = im;
        if (a * a + b * b >= 4.0) {
            count = static_cast<std::int32_t>(n);
            break;
        }
    }
    return rememberCount(ctx, x, y, count);
}

std::int32_t julia(FormulaContext& ctx, double x, double y, double jx, double jy) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double size;
    const std::int32_t count = iterateSquare(x, y, jx, jy, ctx.iterationLimit, 4.0, size);
    return rememberCount(ctx, x, y, count);
}

std::int32_t dragon(FormulaContext& ctx, double x, double y, double jx, double jy) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double a = jx, b = jy;
    std::int32_t count = 0;
    for (std::int64_t n = 1; n <= ctx.iterationLimit; ++n) {
        const double p = a * x - b * y; // c * z
        const double q = b * x + a * y;
        a = p - p * a + q * b;
        // The imaginary part reads the new real part, as the map is defined.
        b = q - q * a + q * b - p * b;
        if (a * a + b * b >= 4.0) {
            count = static_cast<std::int32_t>(n);
            break;
        }
    }
    return rememberCount(ctx, x, y, count);
}

double zebra(double a1, double a2, double a3, double a4) {
    const std::int32_t h = truncToInt32(a2);
    if (a1 == 0.0) return 0.0;
    if (h == 0) return 0.0; // no band width: nothing to divide by
    // Wrapping add: a shift far outside int32 must not overflow.
    std::int32_t f = truncToInt32(a1 + a4);
    if (f & 1)
        f = static_cast<std::int32_t>(static_cast<std::uint32_t>(f) +
                                      static_cast<std::uint32_t>(truncToInt32(a3)));
    // INT32_MIN / -1 overflows; its exact quotient 2^31 is even with remainder 0.
    if (f == INT32_MIN && h == -1) return 0.0;
    const std::int32_t q = f / h, r = f % h;
    // 64-bit: h - r - 1 leaves int32 for h = INT32_MIN.
    if (q & 1) return static_cast<double>(std::int64_t{h} - r - 1);
    return static_cast<double>(r);
}

bool callsFractal(const std::uint8_t* code) {
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        if (code[pos] != kRecordOperation) continue;
        switch (static_cast<Op>(code[pos + 1])) {
        case Op::Mandel:
        case Op::Manc:
        case Op::Man3:
        case Op::Julia:
        case Op::Dragon: return true;
        default: break;
        }
    }
    return false;
}

} // namespace trevalin
