// settings a movie render cannot start with: no frame rate, an unknown codec,
// a movie file name whose extension names another format than the codec's,
// or too few frames to make a movie of.
#pragma once

#include <string>

#include "render/render_settings.h"

namespace trevalin {

// Empty when a movie can be rendered; otherwise the message for the status line.
std::string movieRefusal(const RenderSettings& settings);

} // namespace trevalin
