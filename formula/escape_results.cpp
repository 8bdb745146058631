#include "formula/escape_results.h"

#include "formula/code_walk.h"
#include "formula/escape_lanes.h"

namespace trevalin {
EscapeKind firstEscapeKind(const std::uint8_t* const* codes, int count) {
    for (int c = 0; c < count; ++c) {
        const std::uint8_t* code = codes[c];
        for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
             pos += recordSize(code + pos)) {
            if (code[pos] != kRecordOperation) continue;
            switch (static_cast<Op>(code[pos + 1])) {
            case Op::Mandel: return EscapeKind::Mandel;
            case Op::Manc: return EscapeKind::Manc;
            case Op::Julia: return EscapeKind::Julia;
            case Op::Man3: return EscapeKind::Man3;
            case Op::Dragon: return EscapeKind::Dragon;
            default: break;
            }
        }
    }
    return EscapeKind::None;
}

void escapeResults(EscapeKind kind, std::int32_t limit, double start, double jx, double jy,
                   const double* xs, const double* ys, int n, std::int32_t* counts, double* sizes) {
    if (kind == EscapeKind::Man3) {
        iterateCubeLanes(xs, ys, n, limit, start, counts);
        return;
    }
    if (kind == EscapeKind::Dragon) {
        iterateDragonLanes(xs, ys, n, limit, jx, jy, counts);
        return;
    }
    // z and c for z -> z^2 + c: julia starts at the point, the others at the
    // start value with the point as c.
    constexpr int kChunk = 64;
    double zx[kChunk], zy[kChunk], cx[kChunk], cy[kChunk];
    const double bound = kind == EscapeKind::Manc ? 10000.0 : 4.0;
    for (int base = 0; base < n; base += kChunk) {
        const int m = n - base < kChunk ? n - base : kChunk;
        for (int i = 0; i < m; ++i) {
            if (kind == EscapeKind::Julia) {
                zx[i] = xs[base + i];
                zy[i] = ys[base + i];
                cx[i] = jx;
                cy[i] = jy;
            } else {
                zx[i] = start;
                zy[i] = start;
                cx[i] = xs[base + i];
                cy[i] = ys[base + i];
            }
        }
        iterateSquareLanes(zx, zy, cx, cy, m, limit, bound, counts + base, sizes + base);
    }
}

} // namespace trevalin
