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
    // Only manc's value is made from the size: the others leave it alone, and
    // the lanes then skip keeping it.
    if (kind == EscapeKind::Julia)
        iterateJuliaLanes(xs, ys, n, limit, jx, jy, counts, nullptr);
    else if (kind == EscapeKind::Mandel)
        iterateMandelLanes(xs, ys, n, limit, 4.0, start, counts, nullptr);
    else
        iterateMandelLanes(xs, ys, n, limit, 10000.0, start, counts, sizes);
}

} // namespace trevalin
