// Hand-written C++ versions of the benchmark scenes: the same pixels the
// formulas give, as plain scalar loops over the whole image.
#pragma once

#include <cstdint>
#include <string>

#include "formula/formula_context.h"
#include "formula/frame_variables.h"

namespace trevalin::bench {

// Fills out (width x height words, rows top to bottom) for the frame set up in
// frame, as the render job made it.
using NativeScene = void (*)(FormulaContext& context, const FrameVariables& frame,
                             std::uint32_t* out, int width, int height);

// The native version of a scene by its preset name; null when there is none.
NativeScene nativeScene(const std::string& name);

} // namespace trevalin::bench
