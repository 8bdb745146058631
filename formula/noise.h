// Value noise and gradient noise, their octave sums, fractional Brownian
// motion, and the s-curve and blend helpers. Deterministic to the bit: the same
// arguments give the same double on every machine.
#pragma once

#include <cstdint>

#include "formula/formula_value.h"

namespace trevalin {

struct FormulaContext;

// s(u) = u*u*(3 - 2u), the interpolation weight used throughout; not clamped.
inline double sCurve(double u) {
    return u * u * (3.0 - 2.0 * u);
}

// Value lattice: a pseudo-random real in (0, 1] per integer point, drawn from a
// seed made of the context's tables. Leaves RandomState untouched.
double valueLattice2(const FormulaContext& ctx, std::int64_t i, std::int64_t j);
double valueLattice3(const FormulaContext& ctx, std::int64_t i, std::int64_t j, std::int64_t k);

// Value noise, mirror-symmetric about the axes, in (0, 1].
double noise2(const FormulaContext& ctx, double x, double y);
double noise3(const FormulaContext& ctx, double x, double y, double z);
// -1 plus eight octaves of value noise at scales 1 .. 1/128.
double turbulence2(const FormulaContext& ctx, double x, double y);
double turbulence3(const FormulaContext& ctx, double x, double y, double z);
// noise3 and turbulence3 for n lanes into out (which must not overlap x, y or
// z): the same bits as n calls. Lanes whose y and z agree (a row's points) run
// on the vector unit.
void noise3Lanes(const FormulaContext& ctx, const double* x, const double* y, const double* z,
                 double* out, int n);
void turbulence3Lanes(const FormulaContext& ctx, const double* x, const double* y, const double* z,
                      double* out, int n);
// noise2 for n lanes into out (which must not overlap x or y): the same bits
// as n calls. Lanes whose y agree (a row's points) run on the vector unit.
void noise2Lanes(const FormulaContext& ctx, const double* x, const double* y, double* out, int n);
// turbulence2 for n lanes into out (which must not overlap x or y): the same
// bits as n calls. Lanes whose y agree (a row's points) share the work on y.
void turbulence2Lanes(const FormulaContext& ctx, const double* x, const double* y, double* out,
                      int n);

// Gradient noise over the process-wide gradient table, 0 at integer points.
// The first call builds the table, reseeding RandomState to 665 and drawing 512
// times; the state is left there.
double gradientNoise3(double x, double y, double z);
// Half the sum of eight octaves of gradient noise.
double gradientTurbulence3(double x, double y, double z);
// The two for n lanes into out (which may be x): the same bits as n calls.
// Lanes whose y and z agree (a row's points) run on the vector unit.
void gradientNoise3Lanes(const double* x, const double* y, const double* z, double* out, int n);
void gradientTurbulence3Lanes(const double* x, const double* y, const double* z, double* out,
                              int n);
// Fractional Brownian motion: octaves of gradient noise weighted by
// frequency^-H, the last octave scaled by the fractional part of octaves.
double fbm(double x, double y, double z, double H, double lacunarity, double octaves);
// fbm for n lanes of arguments into out: the same bits as n calls. When H,
// lacunarity and octaves are alike in every lane, their weights are worked out
// once. The gradient table must be built.
void fbmLanes(const double* x, const double* y, const double* z, const double* H,
              const double* lacunarity, const double* octaves, double* out, int n);

// One entry of the gradient table (building it if needed), for tests.
void gradientEntry(int index, double& gx, double& gy, double& gz);
// The permutation of 0 .. 255 that picks a lattice point's gradient, for
// hand-written loops that must give gradientNoise3's bits.
const std::uint8_t* gradientPermutation();
// True once the gradient table has been built in this process.
bool gradientTableBuilt();
// As if the table had never been built: its next use builds it again, the
// same, and reseeds the generator as the first use does. For a render that
// drops the pixel that first used it.
void forgetGradientTable();

// ease: the s-curve applied to a number, or to each component of a triple.
FormulaValue ease(const FormulaValue& v);
// (1 - w)*a + w*b with w clamped to [0, 1] (NaN as 0); a triple when either
// operand is one, a number otherwise.
FormulaValue blend(const FormulaValue& a, const FormulaValue& b, double w);

} // namespace trevalin
