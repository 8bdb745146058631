// The escape-time iterations over many points at once, on the widest vector
// unit the processor has (chosen at run time). Every lane does the scalar
// iteration's operations in the same order, unfused, so each count and escape
// size has the bits of the scalar code, which the fractal functions call.
// Both stop early, with results that mean nothing, once the thread's stop
// request is set (cancel_request.h).
#pragma once

#include <cstdint>

namespace trevalin {

// For each i < n: z starts at (zx[i], zy[i]) and c is (cx[i], cy[i]); counts[i]
// is the step whose |z|^2 reaches bound, or 0 past limit, and sizes[i] that
// |z|^2 (left unset for 0). sizes may be null: the lanes then run lighter.
void iterateSquareLanes(const double* zx, const double* zy, const double* cx, const double* cy,
                        int n, std::int32_t limit, double bound, std::int32_t* counts,
                        double* sizes);

// The same with z starting at (start, start) and c = (cx[i], cy[i]) for each
// point, as mandel and manc iterate.
void iterateMandelLanes(const double* cx, const double* cy, int n, std::int32_t limit, double bound,
                        double start, std::int32_t* counts, double* sizes);
// The same with z starting at (zx[i], zy[i]) and c = (jx, jy), bound 4, as
// julia iterates.
void iterateJuliaLanes(const double* zx, const double* zy, int n, std::int32_t limit, double jx,
                       double jy, std::int32_t* counts, double* sizes);

// The same one point at a time, as the scalar code does it, for tests.
std::int32_t iterateSquareScalar(double a, double b, double cx, double cy, std::int32_t limit,
                                 double bound, double& escapeSize);

// z -> z^3 + c from z = (start, start) with c = (cx[i], cy[i]): the step whose
// |z|^2 reaches 4, or 0 past limit.
void iterateCubeLanes(const double* cx, const double* cy, int n, std::int32_t limit, double start,
                      std::int32_t* counts);
std::int32_t iterateCubeScalar(double cx, double cy, std::int32_t limit, double start);

// The dragon map z -> c z (1 - z) from z = (jx, jy) with c = (cx[i], cy[i]):
// the step whose |z|^2 reaches 4, or 0 past limit.
void iterateDragonLanes(const double* cx, const double* cy, int n, std::int32_t limit, double jx,
                        double jy, std::int32_t* counts);
std::int32_t iterateDragonScalar(double cx, double cy, std::int32_t limit, double jx, double jy);

} // namespace trevalin
