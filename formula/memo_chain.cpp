#include "formula/memo_chain.h"

#include "formula/formula_context.h"
#include "formula/fractals.h"

namespace trevalin {

void runMemoChain(FormulaContext& ctx, EscapeKind first, double jx, double jy, const double* xs,
                  const double* ys, int n, std::int32_t* counts, double* values) {
    constexpr int kChunk = 64;
    const bool writesValue = first == EscapeKind::Manc;
    for (int base = 0; base < n; base += kChunk) {
        const int m = n - base < kChunk ? n - base : kChunk;
        // Which miss last wrote each slot by sample i; -1 for the slot as the
        // chunk found it.
        int countFrom[kChunk], valueFrom[kChunk];
        double missX[kChunk], missY[kChunk];
        int misses = 0, count = -1, value = -1;
        for (int i = 0; i < m; ++i) {
            const double x = xs[base + i], y = ys[base + i];
            if (!memoHit(ctx, x, y)) {
                ctx.memoX = x;
                ctx.memoY = y;
                missX[misses] = x;
                missY[misses] = y;
                (writesValue ? value : count) = misses++;
            }
            countFrom[i] = count;
            valueFrom[i] = value;
        }
        std::int32_t missCounts[kChunk];
        double missSizes[kChunk];
        escapeResults(first, ctx.iterationLimit, ctx.fractalStart, jx, jy, missX, missY, misses,
                      missCounts, missSizes);
        double missValues[kChunk];
        if (writesValue)
            for (int j = 0; j < misses; ++j)
                missValues[j] = mancValue(missCounts[j], missSizes[j]);
        for (int i = 0; i < m; ++i) {
            counts[base + i] = countFrom[i] < 0 ? ctx.memoCount : missCounts[countFrom[i]];
            values[base + i] = valueFrom[i] < 0 ? ctx.memoValue : missValues[valueFrom[i]];
        }
        ctx.memoCount = counts[base + m - 1];
        ctx.memoValue = values[base + m - 1];
    }
}

} // namespace trevalin
