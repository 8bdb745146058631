// Escape-time fractals at the sample's plane point, and the banding function
// zebra. The iteration functions share one memo entry in the context so the
// three colour formulas of a pixel iterate a point once.
#pragma once

#include <cstdint>

#include "formula/formula_context.h"

namespace trevalin {

// Whether (x, y) matches the memo point: neither coordinate differs, so a NaN
// coordinate matches anything. Written as "not less and not greater" for that.
inline bool memoHit(double memoX, double memoY, double x, double y) {
    return !(x < memoX || x > memoX) && !(y < memoY || y > memoY);
}
inline bool memoHit(const FormulaContext& ctx, double x, double y) {
    return memoHit(ctx.memoX, ctx.memoY, x, y);
}

// Escape counts 1 .. iterationLimit; 0 for a point that stays bounded.
std::int32_t mandel(FormulaContext& ctx, double x, double y);
std::int32_t man3(FormulaContext& ctx, double x, double y);
std::int32_t julia(FormulaContext& ctx, double x, double y, double jx, double jy);
std::int32_t dragon(FormulaContext& ctx, double x, double y, double jx, double jy);
// Continuous potential n*ln 2 - ln(log10 |z_n|^2) at escape past |z| = 100;
// 0 inside.
double manc(FormulaContext& ctx, double x, double y);
// manc's value from the escape step n and |z_n|^2.
double mancValue(std::int32_t n, double size);

// Bands of width trunc(a2) counting up, then down, along trunc(a1 + a4); odd
// positions shifted by trunc(a3). 0 when a1 is 0 or the width truncates to 0.
double zebra(double a1, double a2, double a3, double a4);

// Whether a run of code calls one of the iteration functions, and so reads or
// writes the memo entry.
bool callsFractal(const std::uint8_t* code);

} // namespace trevalin
