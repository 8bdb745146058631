// The per-frame set-up of the frame variables: time, region, zoom, iteration
// limit, fractal parameters and range, from the settings' formulas.
#pragma once

namespace trevalin {

struct FormulaContext;
struct FrameVariables;
struct RenderSettings;

// Fills vars for the frame whose index is in vars.frame (frames and the
// source must be set) and sets the context's iteration limit. The formulas
// run in a fixed order, each on the block as updated so far, and draw from
// the random state as any run does.
void setUpFrameVariables(FormulaContext& context, FrameVariables& vars,
                         const RenderSettings& settings, int width, int height);

} // namespace trevalin
