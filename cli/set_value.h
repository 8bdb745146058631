// Overriding one field of a record by its presets-file key, as --set does.
#pragma once

#include <string>
#include <string_view>

#include "render/render_settings.h"

namespace trevalin {

// Converts value the way the presets file reads that key; false with a
// message for a key the file does not know.
bool setValueByKey(RenderSettings& settings, std::string_view key, std::string_view value,
                   std::string& error);

} // namespace trevalin
