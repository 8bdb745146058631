#include "formula/memo_chain.h"

#include <algorithm>

#include "formula/formula_context.h"
#include "formula/fractals.h"
#include "formula/lane_clones.h"

namespace trevalin {
namespace {

// Whether no point repeats the one before it (memoHit), without early exits
// or short cuts, so that it runs as vectors.
TREVALIN_LANE_CLONES bool noRepeats(const double* xs, const double* ys, int n) {
    int repeats = 0;
    for (int i = 1; i < n; ++i) {
        const bool xMoved = (xs[i] < xs[i - 1]) | (xs[i] > xs[i - 1]);
        const bool yMoved = (ys[i] < ys[i - 1]) | (ys[i] > ys[i - 1]);
        repeats += !(xMoved | yMoved);
    }
    return repeats == 0;
}

} // namespace

void runMemoChain(FormulaContext& ctx, EscapeKind first, double jx, double jy, const double* xs,
                  const double* ys, int n, std::int32_t* counts, double* values) {
    // manc's miss writes the value slot; the others' the count slot.
    const bool writesValue = first == EscapeKind::Manc;
    // Along a row each point differs from the one before it. When the first
    // misses too, each misses in turn, and the iterations write the count
    // slots straight, all in one call: the escape lanes keep busier in long
    // calls. (manc's value slots go through the loops below: its values are
    // made from the counts there.)
    if (n > 0 && !writesValue && !memoHit(ctx.memoX, ctx.memoY, xs[0], ys[0]) &&
        noRepeats(xs, ys, n)) {
        escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, xs, ys, n, counts,
                      nullptr);
        std::fill(values, values + n, ctx.memoValue);
        ctx.memoCount = counts[n - 1];
        ctx.memoX = xs[n - 1];
        ctx.memoY = ys[n - 1];
        return;
    }
    // Otherwise a run's worth at a time.
    constexpr int kChunk = 64;
    double memoX = ctx.memoX, memoY = ctx.memoY;
    for (int base = 0; base < n; base += kChunk) {
        const int m = n - base < kChunk ? n - base : kChunk;
        const double* const chunkXs = xs + base;
        const double* const chunkYs = ys + base;
        std::int32_t* const chunkCounts = counts + base;
        double* const chunkValues = values + base;
        // The miss that last wrote the slot by sample i; -1 for the slot as
        // the chunk found it.
        int from[kChunk];
        double missX[kChunk], missY[kChunk];
        int misses = 0;
        for (int i = 0; i < m; ++i) {
            const double x = chunkXs[i], y = chunkYs[i];
            if (!memoHit(memoX, memoY, x, y)) {
                memoX = x;
                memoY = y;
                missX[misses] = x;
                missY[misses] = y;
                ++misses;
            }
            from[i] = misses - 1;
        }
        std::int32_t missCounts[kChunk];
        double missSizes[kChunk];
        escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, missX, missY, misses,
                      missCounts, missSizes);
        const std::int32_t count = ctx.memoCount;
        const double value = ctx.memoValue;
        if (writesValue) {
            double missValues[kChunk];
            for (int j = 0; j < misses; ++j)
                missValues[j] = mancValue(missCounts[j], missSizes[j]);
            for (int i = 0; i < m; ++i) {
                chunkCounts[i] = count;
                chunkValues[i] = from[i] < 0 ? value : missValues[from[i]];
            }
        } else {
            for (int i = 0; i < m; ++i) {
                chunkCounts[i] = from[i] < 0 ? count : missCounts[from[i]];
                chunkValues[i] = value;
            }
        }
        ctx.memoCount = chunkCounts[m - 1];
        ctx.memoValue = chunkValues[m - 1];
    }
    ctx.memoX = memoX;
    ctx.memoY = memoY;
}

} // namespace trevalin
