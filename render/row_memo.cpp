#include "render/row_memo.h"

#include <algorithm>

#include "formula/batch_interpreter.h"
#include "formula/frame_variables.h"
#include "formula/memo_chain.h"

namespace trevalin {

void RowMemo::run(FormulaContext& ctx, const FrameVariables& vars, EscapeKind kind, int first,
                  int stride, int count) {
    const auto n = static_cast<std::size_t>(count);
    if (xs_.size() < n) {
        xs_.resize(n);
        ys_.resize(n);
        counts_.resize(n);
        values_.resize(n);
    }
    for (int i = 0, px = first; i < count; ++i, px += stride) {
        xs_[static_cast<std::size_t>(i)] = px * vars.xstep + vars.left;
        ys_[static_cast<std::size_t>(i)] = vars.y;
    }
    runMemoChain(ctx, kind, vars.jx, vars.jy, xs_.data(), ys_.data(), count, counts_.data(),
                 values_.data());
}

void RowMemo::give(int from, int n, BatchSamples& lanes) const {
    std::copy_n(counts_.begin() + from, n, lanes.memoCount);
    std::copy_n(values_.begin() + from, n, lanes.memoValue);
}

} // namespace trevalin
