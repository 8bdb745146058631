// What evaluating a pixel changes besides its colour: the fractal memo, the
// random state and whether the gradient table is built. The one-pixel loop
// keeps it before each pixel, so a pixel that a stop request cut short (see
// cancel_request.h) can be dropped without a trace.
#pragma once

#include <cstdint>

#include "formula/formula_context.h"
#include "formula/noise.h"
#include "formula/random_state.h"
#include "render/memo_snapshot.h"

namespace trevalin {

struct PixelState {
    MemoSnapshot memo;
    std::int32_t random = 1;
    bool gradients = false;

    static PixelState of(const FormulaContext& c) {
        return PixelState{memoOf(c), RandomState::get(), gradientTableBuilt()};
    }

    void restore(FormulaContext& c) const {
        setMemo(c, memo);
        RandomState::set(random);
        if (!gradients && gradientTableBuilt()) forgetGradientTable();
    }
};

} // namespace trevalin
