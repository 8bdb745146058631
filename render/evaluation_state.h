// What evaluating formulas changes besides their values: the fractal memo,
// the iteration limit, the random state and whether the gradient table is
// built. The render job keeps it before work a stop request may cut short
// (see cancel_request.h), so that such work can be dropped without a trace.
#pragma once

#include <atomic>
#include <cstdint>

#include "formula/cancel_request.h"
#include "formula/formula_context.h"
#include "formula/noise.h"
#include "formula/random_state.h"
#include "render/memo_snapshot.h"

namespace trevalin {

struct EvaluationState {
    MemoSnapshot memo;
    std::int32_t iterationLimit = kMinIterationLimit;
    std::int32_t random = 1;
    bool gradients = false;

    static EvaluationState of(const FormulaContext& c) {
        return EvaluationState{memoOf(c), c.iterationLimit, RandomState::get(),
                               gradientTableBuilt()};
    }

    void restore(FormulaContext& c) const {
        setMemo(c, memo);
        c.iterationLimit = iterationLimit;
        RandomState::set(random);
        if (!gradients && gradientTableBuilt()) forgetGradientTable();
    }
};

// Runs work with stop as the thread's stop request. When the request cut an
// iteration short, whatever work computed means nothing: the state goes back
// to what it was, and the answer is false.
template <class Work>
bool runUnlessCut(FormulaContext& c, const std::atomic<bool>& stop, Work work) {
    CancelScope cancel(stop);
    const EvaluationState before = EvaluationState::of(c);
    work();
    if (!cancel.cutShort()) return true;
    before.restore(c);
    return false;
}

} // namespace trevalin
