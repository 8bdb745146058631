// The fractal memo of a formula context as a value, for the renderers that
// carry it between threads or work it out ahead of a frame.
#pragma once

#include <cstdint>
#include <cstring>

#include "formula/formula_context.h"

namespace trevalin {

struct MemoSnapshot {
    std::int32_t count = 0;
    double value = 0, x = 0, y = 0;

    // Bit for bit, so that a NaN point equals itself and -0 differs from 0.
    bool same(const MemoSnapshot& o) const {
        return count == o.count && std::memcmp(&value, &o.value, sizeof value) == 0 &&
               std::memcmp(&x, &o.x, sizeof x) == 0 && std::memcmp(&y, &o.y, sizeof y) == 0;
    }
};

inline MemoSnapshot memoOf(const FormulaContext& c) {
    return MemoSnapshot{c.memoCount, c.memoValue, c.memoX, c.memoY};
}

inline void setMemo(FormulaContext& c, const MemoSnapshot& m) {
    c.memoCount = m.count;
    c.memoValue = m.value;
    c.memoX = m.x;
    c.memoY = m.y;
}

} // namespace trevalin
