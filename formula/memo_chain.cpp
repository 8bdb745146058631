#include "formula/memo_chain.h"

#include "formula/formula_context.h"
#include "formula/fractals.h"

namespace trevalin {

void runMemoChain(FormulaContext& ctx, EscapeKind first, double jx, double jy, const double* xs,
                  const double* ys, int n, std::int32_t* counts, double* values) {
    // The misses iterate a run's worth at a time at most: in longer calls the
    // escape lanes measured no faster.
    constexpr int kChunk = 64;
    // manc's miss writes the value slot; the others' the count slot.
    const bool writesValue = first == EscapeKind::Manc;
    double memoX = ctx.memoX, memoY = ctx.memoY;
    for (int base = 0; base < n; base += kChunk) {
        const int m = n - base < kChunk ? n - base : kChunk;
        const double* const chunkXs = xs + base;
        const double* const chunkYs = ys + base;
        std::int32_t* const chunkCounts = counts + base;
        double* const chunkValues = values + base;
        // Along a row each point differs from the one before it. When the
        // first misses too, each misses in turn, and the iteration's results
        // are the slots themselves.
        bool allMiss = !memoHit(memoX, memoY, chunkXs[0], chunkYs[0]);
        for (int i = 1; i < m && allMiss; ++i)
            allMiss = !memoHit(chunkXs[i - 1], chunkYs[i - 1], chunkXs[i], chunkYs[i]);
        if (allMiss) {
            double sizes[kChunk];
            if (writesValue) {
                std::int32_t steps[kChunk];
                escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, chunkXs, chunkYs,
                              m, steps, sizes);
                for (int i = 0; i < m; ++i) {
                    chunkCounts[i] = ctx.memoCount;
                    chunkValues[i] = mancValue(steps[i], sizes[i]);
                }
            } else {
                escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, chunkXs, chunkYs,
                              m, chunkCounts, sizes);
                for (int i = 0; i < m; ++i)
                    chunkValues[i] = ctx.memoValue;
            }
            memoX = chunkXs[m - 1];
            memoY = chunkYs[m - 1];
            ctx.memoCount = chunkCounts[m - 1];
            ctx.memoValue = chunkValues[m - 1];
            continue;
        }
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
        if (writesValue) {
            double missValues[kChunk];
            for (int j = 0; j < misses; ++j)
                missValues[j] = mancValue(missCounts[j], missSizes[j]);
            for (int i = 0; i < m; ++i) {
                chunkCounts[i] = ctx.memoCount;
                chunkValues[i] = from[i] < 0 ? ctx.memoValue : missValues[from[i]];
            }
        } else {
            for (int i = 0; i < m; ++i) {
                chunkCounts[i] = from[i] < 0 ? ctx.memoCount : missCounts[from[i]];
                chunkValues[i] = ctx.memoValue;
            }
        }
        ctx.memoCount = chunkCounts[m - 1];
        ctx.memoValue = chunkValues[m - 1];
    }
    ctx.memoX = memoX;
    ctx.memoY = memoY;
}

} // namespace trevalin
