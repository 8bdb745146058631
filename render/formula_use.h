// Which formulas a render reads. The colour model decides how many colour
// formulas count (Grayscale and Triplet read only the first); the coordinate,
// range and fractal formulas are read for every frame.
#pragma once

#include <string_view>

#include "render/render_settings.h"

namespace trevalin {

bool formulaInUse(const RenderSettings& settings, std::string_view key);

} // namespace trevalin
