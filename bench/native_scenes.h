// Hand-written C++ versions of the benchmark scenes: the same pixels the
// formulas give, computed by calling the engine's functions directly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "formula/formula_context.h"
#include "formula/frame_variables.h"

namespace trevalin::bench {

// The colour word of pixel (px, py), whose plane point is in vars.x, vars.y;
// vars holds the frame's set-up as the render job made it.
using NativePixel = std::function<std::uint32_t(FormulaContext&, FrameVariables&)>;

// The native version of a scene by its preset name; empty when there is none.
NativePixel nativeScene(const std::string& name);

} // namespace trevalin::bench
