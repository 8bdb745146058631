#include "formula/formula_context.h"

#include "formula/random_state.h"

namespace trevalin {

FormulaContext::FormulaContext() : stack{}, tripleMark{} {
    RandomState::set(1);
    for (int i = 0; i < kNoiseTableSize; ++i) {
        noiseT0[i] = RandomState::nextInt();
        noiseT1[i] = RandomState::nextInt();
        noiseT2[i] = RandomState::nextInt();
    }
}

} // namespace trevalin
