// Escape-time results for many sample points at once, for the iteration
// function a sample calls first (the only call of a sample that can miss the
// memo).
#pragma once

#include <cstdint>

namespace trevalin {

enum class EscapeKind : std::uint8_t { None, Mandel, Manc, Julia, Man3, Dragon };

// The kind of the first iteration function call in the codes, run in order,
// or None when they make none.
EscapeKind firstEscapeKind(const std::uint8_t* const* codes, int count);

// The results of the first call of a sample at each point (xs[i], ys[i]) that
// misses the memo: counts[i] and, for manc, the escape size sizes[i] (left
// unset where the count is 0, and for the other kinds). Many lanes at a time.
void escapeResults(EscapeKind kind, std::int32_t limit, double start, double jx, double jy,
                   const double* xs, const double* ys, int n, std::int32_t* counts, double* sizes);

} // namespace trevalin
