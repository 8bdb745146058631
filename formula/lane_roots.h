// Square roots over a batch's lanes: sqrt, distance and the distance variable.
#pragma once

namespace trevalin {

// Each gives, lane by lane, the bits of the scalar function it names.
void laneSquareRoots(const double* a, double* out, int n);                // std::sqrt(a[i])
void laneDistances(const double* a, const double* b, double* out, int n); // distance(a[i], b[i])
// distance(x[i] - cx, y[i] - cy): the distance variable.
void laneDistancesFrom(const double* x, const double* y, double cx, double cy, double* out, int n);

} // namespace trevalin
