// One preset as presets-file text, for the clipboard and for the settings the
// program remembers between runs: written and read by the presets file's own
// writer and reader, so the same checks apply.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/render_settings.h"

namespace trevalin {

std::string presetText(const RenderSettings& settings, std::string_view name);

struct PresetTextRead {
    bool ok = false;
    std::string name;
    std::string error; // why nothing was read
    std::vector<std::string> warnings;
};

// The first preset of text into out (untouched unless ok).
PresetTextRead readPresetText(std::string_view text, RenderSettings& out);

} // namespace trevalin
