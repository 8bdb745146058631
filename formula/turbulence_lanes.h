// Value-noise turbulence for the points of one row on the widest vector unit
// the processor has (chosen at run time). Every lane does the scalar code's
// operations in the same order, unfused, so each result has its bits.
#pragma once

#include <cstdint>

namespace trevalin {

// What one octave of turbulence needs of the row's y: the octave's scale s,
// the y weight and the y lattice's two table entries.
struct TurbulenceOctave {
    double s, sy;
    std::int32_t t1, t1Next;
};

// out[i] = start plus the octaves' s * value noise at (x[i] / s, y), for
// i < n, with t0 the x lattice's table of 256 entries: turbulence starts at
// -1; a single octave at s = 1 from -0 is the noise itself.
void turbulenceRowLanes(const std::int32_t* t0, const TurbulenceOctave* octaves, int count,
                        double start, const double* x, double* out, int n);

} // namespace trevalin
