// Runs compiled formula code for one sample point.
#pragma once

#include <cstdint>

#include "formula/formula_context.h"
#include "formula/formula_value.h"
#include "formula/frame_variables.h"

namespace trevalin {

// Runs code (ended by the End byte) against the variables and returns the top
// value left, or the number 0 when the code leaves none. The context's stack
// is used above its entry stackTop and left as it was found. The code must
// come from the compiler, which bounds its stack depth to the 32 slots.
FormulaValue runFormula(FormulaContext& ctx, const std::uint8_t* code, const FrameVariables& vars);

// runFormula's first component: the value, or a triple's first component.
double evaluateFormula(FormulaContext& ctx, const std::uint8_t* code, const FrameVariables& vars);

} // namespace trevalin
