// Runs compiled formula code for a run of samples at once: each operation goes
// over every lane before the next one is decoded, so the dispatch is paid once
// per run instead of once per sample. Every lane computes the same bits the
// one-sample interpreter gives for its sample.
#pragma once

#include <cstdint>

#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "formula/opcodes.h"

namespace trevalin {

// Lanes per run: a row segment's worth, so each operation's dispatch and the
// run's set-up are paid once for 64 samples; more would only grow the lane
// stack (a slot is a run's numbers) past the first-level cache.
inline constexpr int kBatchLanes = 64;

// What differs from lane to lane; the rest comes from the frame.
struct BatchSamples {
    int count = 0; // lanes in use, 1 .. kBatchLanes
    std::int32_t px[kBatchLanes];
    std::int32_t py[kBatchLanes];
    double x[kBatchLanes];
    double y[kBatchLanes];
    // Each lane's generator state: "?" steps it, as the shared state is
    // stepped for that sample on the one-sample path.
    std::int32_t random[kBatchLanes];
    // For code calling an iteration function: the memo's count and value once
    // the lane's sample has made its first call (runMemoChain works them out).
    // Every such call of the sample gives one of them.
    std::int32_t memoCount[kBatchLanes];
    double memoValue[kBatchLanes];
};

// The values left, lane by lane. The shape is the same in every lane: it is
// fixed by the code. second and third are set for a triple only. They point
// into the run's lane stack, kept here so that the values need no copy, or at
// the samples' own lanes (x, y, memoValue, which a run leaves alone), and hold
// until the next run into this BatchValues or a change to the samples.
struct BatchValues {
    const double* first = nullptr;
    const double* second = nullptr;
    const double* third = nullptr;
    bool isTriple = false;
    double stack[kStackSize][kBatchLanes];

    BatchValues() = default;
    BatchValues(const BatchValues&) = delete; // would point into the other's stack
    BatchValues& operator=(const BatchValues&) = delete;
};

// Whether runFormulaBatch gives exactly what one run per sample gives: not
// while the gradient table the code would build on first use is not built.
bool batchable(const std::uint8_t* code);

// Runs code (which must be batchable) for every lane; lane i gets what
// runFormula gives for sample i with the shared random state at random[i]
// (and, for iteration functions, the memo as memoCount[i] and memoValue[i]
// say), and random[i] ends where that run leaves the state. The context's
// stack is not used; the context is only read.
void runFormulaBatch(const FormulaContext& ctx, const std::uint8_t* code,
                     const FrameVariables& frame, BatchSamples& samples, BatchValues& out);

} // namespace trevalin
