#include "formula/lane_roots.h"

#include <cmath>

#include "formula/lane_clones.h"
#include "formula/scalar_functions.h"

// This file is built without errno for sqrt (see CMakeLists.txt): errno never
// changes a result, and setting it is what kept these loops off the vector
// unit, whose square root is correctly rounded like the scalar one.

namespace trevalin {

TREVALIN_LANE_CLONES void laneSquareRoots(const double* a, double* out, int n) {
    for (int i = 0; i < n; ++i)
        out[i] = std::sqrt(a[i]);
}

TREVALIN_LANE_CLONES void laneDistances(const double* a, const double* b, double* out, int n) {
    for (int i = 0; i < n; ++i)
        out[i] = distance(a[i], b[i]);
}

TREVALIN_LANE_CLONES void laneDistancesFrom(const double* x, const double* y, double cx, double cy,
                                            double* out, int n) {
    for (int i = 0; i < n; ++i)
        out[i] = distance(x[i] - cx, y[i] - cy);
}

} // namespace trevalin
