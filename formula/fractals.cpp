#include "formula/fractals.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/code_walk.h"
#include "formula/escape_lanes.h"
#include "formula/formula_context.h"

namespace trevalin {
namespace {

inline std::int32_t rememberCount(FormulaContext& ctx, double x, double y, std::int32_t count) {
    ctx.memoX = x;
    ctx.memoY = y;
    ctx.memoCount = count;
    return count;
}

} // namespace

std::int32_t mandel(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double size;
    const std::int32_t count = iterateSquareScalar(ctx.fractalStart, ctx.fractalStart, x, y,
                                                   ctx.iterationLimit, 4.0, size);
    return rememberCount(ctx, x, y, count);
}

double manc(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoValue;
    double size = 0.0;
    const std::int32_t n = iterateSquareScalar(ctx.fractalStart, ctx.fractalStart, x, y,
                                               ctx.iterationLimit, 10000.0, size);
    const double value = mancValue(n, size);
    ctx.memoX = x;
    ctx.memoY = y;
    ctx.memoValue = value;
    return value;
}

double mancValue(std::int32_t n, double size) {
    return n == 0 ? 0.0 : -std::log(std::log10(size) / std::pow(2.0, n));
}

std::int32_t man3(FormulaContext& ctx, double x, double y) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    return rememberCount(ctx, x, y, iterateCubeScalar(x, y, ctx.iterationLimit, ctx.fractalStart));
}

std::int32_t julia(FormulaContext& ctx, double x, double y, double jx, double jy) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    double size;
    const std::int32_t count = iterateSquareScalar(x, y, jx, jy, ctx.iterationLimit, 4.0, size);
    return rememberCount(ctx, x, y, count);
}

std::int32_t dragon(FormulaContext& ctx, double x, double y, double jx, double jy) {
    if (memoHit(ctx, x, y)) return ctx.memoCount;
    return rememberCount(ctx, x, y, iterateDragonScalar(x, y, ctx.iterationLimit, jx, jy));
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
