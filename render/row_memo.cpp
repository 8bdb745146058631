#include "render/row_memo.h"

#include <algorithm>

#include "formula/batch_interpreter.h"
#include "formula/frame_variables.h"
#include "formula/memo_chain.h"
#include "render/frame_renderer.h"

namespace trevalin {

void RowMemo::addRow(const FrameVariables& vars, int first, int stride, int count) {
    const auto n = static_cast<std::size_t>(size_ + count);
    if (xs_.size() < n) {
        xs_.resize(n);
        ys_.resize(n);
        counts_.resize(n);
        values_.resize(n);
    }
    placePoints(xs_.data() + size_, ys_.data() + size_, count, first, stride, vars);
    size_ += count;
}

void RowMemo::run(FormulaContext& ctx, const FrameVariables& vars, EscapeKind kind) {
    runMemoChain(ctx, kind, vars.jx, vars.jy, xs_.data(), ys_.data(), size_, counts_.data(),
                 values_.data());
}

void RowMemo::give(int from, int n, BatchSamples& lanes) const {
    std::copy_n(counts_.begin() + from, n, lanes.memoCount);
    std::copy_n(values_.begin() + from, n, lanes.memoValue);
}

} // namespace trevalin
