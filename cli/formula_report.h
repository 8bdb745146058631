// What trevalin-render says about the formulas of the record it is given,
// before it renders anything.
#pragma once

#include <cstdio>

#include "render/render_settings.h"

namespace trevalin {

// Checks every formula the render reads and prints its diagnostics in compiler
// style (key:line:column: message, the formula, a caret): errors always,
// warnings unless quiet. False when one of them does not compile.
bool reportFormulas(const RenderSettings& settings, bool quiet, std::FILE* out);

} // namespace trevalin
