// What evaluating formulas changes besides their values: the fractal memo,
// the iteration limit, the random state and whether the gradient table is
// built. The render job keeps it before a frame's set-up and before each
// pixel of the one-pixel loop, so that work a stop request cut short (see
// cancel_request.h) can be dropped without a trace.
#pragma once

#include <cstdint>

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

} // namespace trevalin
