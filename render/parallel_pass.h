// One pass of a frame split into bands of rows over several threads. Pixels and
// the state the pass leaves (random state, fractal memo) are those of the
// one-pixel loop: each band starts from the random state jumped ahead by the
// draws of the pixels before it, and assumes that its first sample misses the
// memo; when the band before it ends on a memo point that the first sample
// matches after all, the band is computed again from that true memo.
// Bands that use no state at all, and bands whose memo guess cannot be wrong,
// are stored by the thread that computed them, as soon as they are done; the
// others in pass order, once checked.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>

#include "formula/frame_variables.h"

namespace trevalin {

struct FormulaContext;
struct RenderSettings;
class DibImage;
class WorkerPool;

struct PassPlan {
    FormulaContext* context = nullptr; // read at the start; memo set at the end
    FrameVariables vars{};             // the frame's; px, py, x and y are ignored
    const RenderSettings* settings = nullptr;
    int width = 0;
    int height = 0;
    int step = 1;          // the pass's grid
    bool allPoints = true; // the first pass: every grid point, not only new ones
    bool blocks = true;    // paint each pixel's block, not only the pixel
    int threads = 1;
    // The fewest pixels in a band, unless the pass has fewer; 0 for the
    // formulas' own (kMinBandPixels or kMinFractalBandPixels).
    int minBandPixels = 1;
    // Called on the computing thread after each row segment with its pixel
    // count; the stop request is read between segments.
    std::function<void(int pixels)> afterSegment;
    std::atomic<std::int64_t>* pixelsDone = nullptr; // counts the pixels stored, for progress
};

// The most pixels of a row computed between two reads of the stop request.
inline constexpr int kSegmentPixels = 64;

// The fewest pixels a render puts in a band. A band costs a few microseconds
// besides its pixels (its context, its store, handing it between threads),
// and a coarse pass cut into bands of a row each took longer on two threads
// than on one (arith at 1024 x 1024: 64 us against 23 for the first pass).
inline constexpr int kMinBandPixels = 4096;
// The fewest for formulas that call the escape-time functions: a pixel costs
// up to the iteration limit, rows inside the set many times those outside, and
// a coarse pass of a few such bands waited for its costliest one. On two
// threads julia-rgb rendered 3 to 5 percent faster with 1024 than with 4096,
// mandel the same; 512 was slower for mandel.
inline constexpr int kMinFractalBandPixels = 1024;

// Whether the pass can be split and batched exactly, which pays on one thread
// too. It cannot while the gradient table is not built and the colour formulas
// use gradient noise: the first use reseeds the generator in the middle of the
// pass.
bool passCanBeSplit(const RenderSettings& settings);

// Renders the pass, whose settings passCanBeSplit, into target on the calling
// thread and plan.threads - 1 threads of pool, a batch of pixels at a time,
// storing each band under lock. Stops early, leaving the state of the bands
// stored so far, once stop is set; a band cut short is never stored. Returns
// whether the pass completed.
bool renderParallelPass(const PassPlan& plan, DibImage& target, std::recursive_mutex& lock,
                        const std::atomic<bool>& stop, WorkerPool& pool);

// Renders a frame's passes, coarse to fine, without waiting at each pass's
// end: a thread that finds no band left in a pass takes the next pass's. A
// pass's bands start from the state that the passes before leave, and are
// checked and stored in their turn once the pass before is stored whole;
// bands sure to be right are stored as soon as they are computed, unless the
// pass before paints blocks over them. passStored(k) is called once pass k is
// stored whole, in pass order, on the thread that stored the last of it; after
// a pass that paints blocks, nothing of the next is stored yet, and otherwise
// the next may be storing. Returns whether every pass completed; the state
// left is that of the bands stored, as for one pass.
bool renderOverlappedPasses(std::span<const PassPlan> plans, DibImage& target,
                            std::recursive_mutex& lock, const std::atomic<bool>& stop,
                            WorkerPool& pool, const std::function<void(std::size_t)>& passStored);

// The number of threads for a requested count: 0 means every core.
int effectiveThreadCount(int requested);

} // namespace trevalin
