// The fractal memo's slots for a row's pixels, worked out before their
// formulas run: the escape lanes keep busier in one long call than in a call
// per batch.
#pragma once

#include <cstdint>
#include <vector>

#include "formula/escape_results.h"

namespace trevalin {

struct BatchSamples;
struct FormulaContext;
struct FrameVariables;

class RowMemo {
  public:
    // Runs the memo chain (runMemoChain) over the count pixels at columns
    // first, first + stride, … of vars' row, at the points placeLanes gives
    // them, and leaves the context's memo as they leave it.
    void run(FormulaContext& ctx, const FrameVariables& vars, EscapeKind kind, int first,
             int stride, int count);

    // The memo slots of the row's pixels from .. from + n - 1, into the
    // lanes' memoCount and memoValue.
    void give(int from, int n, BatchSamples& lanes) const;

  private:
    std::vector<double> xs_, ys_, values_;
    std::vector<std::int32_t> counts_;
};

} // namespace trevalin
