#include "render/row_memo.h"

#include <algorithm>

#include "formula/batch_interpreter.h"
#include "formula/frame_variables.h"
#include "formula/lane_clones.h"
#include "formula/memo_chain.h"

namespace trevalin {
namespace {

// The points placeLanes gives the pixels, as vectors.
TREVALIN_LANE_CLONES void placePoints(double* xs, double* ys, int first, int stride, int count,
                                      const FrameVariables& vars) {
    const double xstep = vars.xstep, left = vars.left, y = vars.y;
    for (int i = 0; i < count; ++i) {
        xs[i] = (first + i * stride) * xstep + left;
        ys[i] = y;
    }
}

} // namespace

void RowMemo::run(FormulaContext& ctx, const FrameVariables& vars, EscapeKind kind, int first,
                  int stride, int count) {
    const auto n = static_cast<std::size_t>(count);
    if (xs_.size() < n) {
        xs_.resize(n);
        ys_.resize(n);
        counts_.resize(n);
        values_.resize(n);
    }
    placePoints(xs_.data(), ys_.data(), first, stride, count, vars);
    runMemoChain(ctx, kind, vars.jx, vars.jy, xs_.data(), ys_.data(), count, counts_.data(),
                 values_.data());
}

void RowMemo::give(int from, int n, BatchSamples& lanes) const {
    std::copy_n(counts_.begin() + from, n, lanes.memoCount);
    std::copy_n(values_.begin() + from, n, lanes.memoValue);
}

} // namespace trevalin
