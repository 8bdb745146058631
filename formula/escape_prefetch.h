// Escape-time results worked out ahead for a row of sample points, many lanes
// at a time. A fractal function whose memo misses takes its result from here
// when the point (bit for bit) and every parameter of the iteration match; the
// memo rules themselves stay in the scalar code, so nothing else changes.
#pragma once

#include <cstdint>
#include <vector>

namespace trevalin {

struct FormulaContext;

enum class EscapeKind : std::uint8_t { None, Mandel, Manc, Julia, Man3, Dragon };

// The kind to work out ahead for the byte code's first fractal call (the only
// call of a sample that can miss the memo), or None.
EscapeKind prefetchKindFor(const std::uint8_t* const* codes, int count);

// The results of the first call of a sample at each point (xs[i], ys[i]) that
// misses the memo: counts[i] and, for mandel, manc and julia, the escape size
// sizes[i] (left unset where the count is 0). Many lanes at a time.
void escapeResults(EscapeKind kind, std::int32_t limit, double start, double jx, double jy,
                   const double* xs, const double* ys, int n, std::int32_t* counts, double* sizes);

class EscapePrefetch {
  public:
    // Works out the results for points (xs[i], ys[i]) with the context's limit
    // and start value and the frame's julia constant.
    void fill(EscapeKind kind, const FormulaContext& ctx, double jx, double jy,
              const std::vector<double>& xs, const std::vector<double>& ys);

    // The result for (x, y) under these parameters, searched a little ahead of
    // the last one taken; false when there is none.
    bool take(EscapeKind kind, double x, double y, std::int32_t limit, double start, double jx,
              double jy, std::int32_t& count, double& size);

  private:
    EscapeKind kind_ = EscapeKind::None;
    std::int32_t limit_ = 0;
    double start_ = 0, jx_ = 0, jy_ = 0;
    std::vector<double> xs_, ys_, sizes_;
    std::vector<std::int32_t> counts_;
    std::size_t cursor_ = 0;
};

} // namespace trevalin
