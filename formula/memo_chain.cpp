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
        // The miss that last wrote the slot by sample i; -1 for the slot as
        // the chunk found it.
        int from[kChunk];
        // Along a row each point differs from the one before it. When the
        // first misses too, each misses in turn, and the misses are the
        // chunk's own points.
        bool allMiss = !memoHit(memoX, memoY, chunkXs[0], chunkYs[0]);
        for (int i = 1; i < m && allMiss; ++i)
            allMiss = !memoHit(chunkXs[i - 1], chunkYs[i - 1], chunkXs[i], chunkYs[i]);
        double missX[kChunk], missY[kChunk];
        const double* missXs = chunkXs;
        const double* missYs = chunkYs;
        int misses = 0;
        if (allMiss) {
            for (int i = 0; i < m; ++i)
                from[i] = i;
            misses = m;
            memoX = chunkXs[m - 1];
            memoY = chunkYs[m - 1];
        } else {
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
            missXs = missX;
            missYs = missY;
        }
        std::int32_t missCounts[kChunk];
        double missSizes[kChunk];
        escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, missXs, missYs, misses,
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
