// Number conversions of the presets file, always in the "C" locale: the
// desktop program runs under the user's locale, and a decimal comma must not
// leak into presets.txt or make "0.5" read as 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trevalin {

// As atoi: leading blanks, sign, decimal digits, anything after ignored, no
// digits gives 0. Out-of-range values are clamped instead of undefined.
std::int32_t parseInteger(std::string_view word);

// As atof: strtod syntax, no number gives 0.0.
double parseReal(std::string_view word);

// As printf "%f".
std::string formatReal(double value);

} // namespace trevalin
