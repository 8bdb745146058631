// Starting a movie render at a later frame: the state frame `first` starts
// with in a render from frame 0 (random state, gradient table, fractal memo)
// is computed instead of rendering the frames before it, so that every frame
// comes out with the same bytes. The random state jumps ahead by the draws of
// the frames before (a fixed number per frame: the byte code has no branches);
// the memo is the one the last computed pixel of the frame before leaves.
#pragma once

#include <cstdint>

#include "formula/frame_variables.h"

namespace trevalin {

struct FormulaContext;
struct RenderSettings;

struct FrameStartInput {
    FormulaContext* context = nullptr; // the render's; its memo is set
    FrameVariables vars{};             // the movie's: frames and source set
    const RenderSettings* settings = nullptr;
    int width = 0;
    int height = 0;
    int firstStep = 16; // the first pass's block size: 16 progressive, else 1
};

// "?" draws of one whole frame, and where in frame 0 the first call of
// gradient noise comes.
struct FrameDraws {
    std::uint64_t perFrame = 0;
    bool gradient = false;            // some formula of the frame calls gradient noise
    std::uint64_t beforeGradient = 0; // draws of frame 0 before that first call
};
FrameDraws frameDraws(const RenderSettings& settings, int width, int height);

// The random state at the start of frame `frame`, from the state at the
// start of frame 0 and whether the gradient table was built then.
std::int32_t randomStateAtFrame(const FrameDraws& draws, std::int32_t startState,
                                bool gradientBuiltAtStart, int frame);

// Called where frame 0 would start: sets the state of frame `first` and
// returns first; or, where the memo cannot be known without rendering, sets
// the state of an earlier frame and returns it (0 leaves everything as it
// is): the render must then go through the frames from there without
// keeping them.
int prepareFrameStart(const FrameStartInput& in, int first);

} // namespace trevalin
