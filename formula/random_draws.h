// What one run of a piece of byte code does to the random state. The code has
// no branches, so every run draws the same number of times, and a run that can
// reach gradient noise builds the gradient table (reseeding the generator)
// when it is not built yet.
#pragma once

#include <cstdint>

namespace trevalin {

// The number of "?" draws one run of code makes.
int randomDrawsPerRun(const std::uint8_t* code);

// Whether a run of code calls gradient noise (gnoise3d, gturb3d or fbm).
bool usesGradientNoise(const std::uint8_t* code);

// The "?" draws a run makes before its first call of gradient noise (all of
// them when it makes none): the draws that come before the reseed when that
// call builds the gradient table.
int randomDrawsBeforeGradient(const std::uint8_t* code);

} // namespace trevalin
