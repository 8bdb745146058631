// Settings a movie render cannot start with. The design leaves them unguarded;
// a movie of no frames or at no speed would write nothing useful, or divide by zero.
#pragma once

#include <string>

#include "render/render_settings.h"

namespace trevalin {

// Empty when a movie can be rendered; otherwise the message for the status line.
std::string movieRefusal(const RenderSettings& settings);

} // namespace trevalin
