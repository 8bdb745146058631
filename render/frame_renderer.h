// One pixel's colour: the colour formulas at one or four sample points, each
// value mapped through the range to a colour index, combined by the colour model.
#pragma once

#include <cstdint>

#include "formula/escape_results.h"
#include "formula/formula_value.h"

namespace trevalin {

struct BatchSamples;
struct FormulaContext;
struct FrameVariables;
struct RenderSettings;

// Colour index 0..255 of a formula value under "Pin to Min/Max" (wrap 0) or
// "Wrap Around" (wrap 1), shifted by the frame with "Cycle".
int colourIndex(double v, const FrameVariables& vars, int wrap, int cycle);

// A value whose components are replaced by their colour indices; a scalar
// gives grey.
FormulaValue tripleIndex(const FormulaValue& v, const FrameVariables& vars, int wrap, int cycle);

// The formulas pixelColour runs at each sample point under the settings'
// colour model, in the order it runs them; returns how many (0 to 3).
int colourFormulaCodes(const RenderSettings& settings, const std::uint8_t* codes[3]);
// Whether one of those calls a fractal function (and so uses the memo).
bool colourFormulasCallFractals(const RenderSettings& settings);

// The colour word 0x00RRGGBB of the pixel at (px, py) whose plane point is in
// (x, y); leaves x and y as it found them.
std::uint32_t pixelColour(FormulaContext& context, FrameVariables& vars,
                          const RenderSettings& settings);

// The plane points (xs[i], ys[i]) of the n pixels at columns first,
// first + stride, … of the row vars is on.
void placePoints(double* xs, double* ys, int n, int first, int stride, const FrameVariables& vars);

// Fills the first n lanes with the pixels at columns first, first + stride, …
// of the row vars is on (vars.py, vars.y), at their placePoints points.
void placeLanes(BatchSamples& lanes, int n, int first, int stride, const FrameVariables& vars);

// Whether pixelColours gives the colours of the settings' pixels: their
// colour formulas can all run batched.
bool pixelsBatchable(const RenderSettings& settings);

// pixelColour for pixels.count pixels at once, lane i at (px[i], py[i]) with
// plane point (x[i], y[i]) and random state random[i]; each lane's state ends
// where pixelColour leaves it, and the context's fractal memo ends as the
// pixels one after another leave it. x and y are left as found.
// fractal is the kind of the settings' first iteration function call
// (firstEscapeKind), None when they make none. With memoGiven, pixels of one
// sample take their memo slots from pixels.memoCount and memoValue as they
// are, and the context's memo is left alone: the caller ran the memo chain
// over these pixels (RowMemo).
void pixelColours(FormulaContext& context, const FrameVariables& vars,
                  const RenderSettings& settings, EscapeKind fractal, BatchSamples& pixels,
                  std::uint32_t* colours, bool memoGiven = false);

} // namespace trevalin
