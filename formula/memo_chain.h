// The fractal memo along a run of samples, worked out before their formulas
// run. Every iteration function call of a sample is at the sample's point, so
// only its first call can miss the memo, and every call of the sample then
// gives one of the memo's two slots. Going through the points in the
// one-sample order tells which samples miss; the misses are iterated many
// lanes at a time.
#pragma once

#include <cstdint>

#include "formula/escape_results.h"

namespace trevalin {

struct FormulaContext;

// For the samples at (xs[i], ys[i]), in the order the one-sample path runs
// them, whose first iteration function call is of kind first: counts[i] and
// values[i] are the memo's count and value once sample i's first call is
// done. The context's memo ends as those runs leave it.
void runMemoChain(FormulaContext& ctx, EscapeKind first, double jx, double jy, const double* xs,
                  const double* ys, int n, std::int32_t* counts, double* values);

} // namespace trevalin
