// The fractal memo's slots for the pixels of a run of rows, worked out before
// their formulas run: the escape lanes keep busier in one long call than in a
// call per batch, or per short row of a coarse pass.
#pragma once

#include <cstdint>
#include <vector>

#include "formula/escape_results.h"

namespace trevalin {

struct BatchSamples;
struct FormulaContext;
struct FrameVariables;

// Rows are added until the run holds this many points (or the band ends):
// the lanes take points 512 at a time, and a coarse pass's rows hold 64 to 512.
inline constexpr int kMemoRunPoints = 1024;

class RowMemo {
  public:
    // Starts a new run of rows.
    void clear() { size_ = 0; }

    // Adds the count pixels at columns first, first + stride, … of vars' row,
    // at the points placeLanes gives them.
    void addRow(const FrameVariables& vars, int first, int stride, int count);

    // The pixels added since the run started.
    int size() const { return size_; }

    // Runs the memo chain (runMemoChain) over the run's pixels in the order
    // they were added, and leaves the context's memo as they leave it.
    void run(FormulaContext& ctx, const FrameVariables& vars, EscapeKind kind);

    // The memo slots of the run's pixels from .. from + n - 1, into the
    // lanes' memoCount and memoValue.
    void give(int from, int n, BatchSamples& lanes) const;

  private:
    std::vector<double> xs_, ys_, values_;
    std::vector<std::int32_t> counts_;
    int size_ = 0;
};

} // namespace trevalin
