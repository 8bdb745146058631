// Gradient noise for the points of one row on the widest vector unit the
// processor has (chosen at run time). Every lane does the scalar code's
// operations in the same order, unfused, so each result has its bits.
#pragma once

#include <cstdint>

namespace trevalin {

// The gradient table in lattice order: entry m is the gradient that the
// permutation picks for m, its parts in three arrays. The first kLatticeWrap
// entries repeat past the 256th, so that a run of entries from any m can be
// read in one piece.
inline constexpr int kLatticeWrap = 16;
struct LatticeGradients {
    double x[256 + kLatticeWrap], y[256 + kLatticeWrap], z[256 + kLatticeWrap];
};

// What gradient noise needs of a row's y and z: their offsets from the cell's
// two faces, their weights, and the four (y, z) corners' part of the lattice
// scramble.
struct GradientRow {
    double y0, y1, yw;
    double z0, z1, zw;
    std::uint32_t jk[4]; // corners (y, z), (y + 1, z), (y, z + 1), (y + 1, z + 1)
};

// For i < n, with g the gradient noise at (x[i], the row's y and z):
// out[i] = g when weight is null, else out[i] + *weight * g. Every |x[i]| must
// be below 2^31.
void gradientRowLanes(const LatticeGradients& table, const GradientRow& row, const double* x,
                      const double* weight, double* out, int n);

} // namespace trevalin
