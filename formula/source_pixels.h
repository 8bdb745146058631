// Reading the source image for formulas: the pixel under the sample (the
// variables r g b c s l), the channel functions red/green/blue and the
// sample/samptile triples. Without a source image every read is 0 (black).
#pragma once

#include <cstdint>

#include "formula/formula_value.h"

namespace trevalin {

struct FrameVariables;
struct SourceImage;

// Packed pixel (red in bits 0-7) at column W*px/pw and row H*py/ph of the
// source, in wrapping 32-bit integer arithmetic. 0 without a source, for an
// empty image size and where the division has no int32 result.
std::uint32_t pixelUnderSample(const FrameVariables& vars);

// Packed pixel at column trunc(x*W), row trunc(y*H): x and y run 0 .. 1.
std::uint32_t pixelAtPoint(const SourceImage* source, double x, double y);

// The (red, green, blue) triple under (u, v), clamped or tiled.
FormulaValue sampleSource(const SourceImage* source, double u, double v, bool tile);

} // namespace trevalin
