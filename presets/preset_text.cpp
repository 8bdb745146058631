#include "presets/preset_text.h"

#include <sstream>

#include "presets/presets_file.h"

namespace trevalin {

std::string presetText(const RenderSettings& settings, std::string_view name) {
    PresetTree tree;
    tree.append(nullptr, PresetNode::makePreset(std::string(name), settings));
    std::ostringstream out;
    writePresets(tree, out);
    return out.str();
}

PresetTextRead readPresetText(std::string_view text, RenderSettings& out) {
    std::istringstream in{std::string(text)};
    PresetsReadResult read = readPresets(in);
    PresetTextRead result;
    result.warnings = std::move(read.warnings);
    const PresetNode* preset = read.tree.firstPreset();
    if (read.status != PresetsReadStatus::Read || !preset) {
        result.error = read.error.empty() ? "no PRESET in the text" : read.error;
        return result;
    }
    preset->copySettings(out);
    result.name = preset->name();
    result.ok = true;
    return result;
}

} // namespace trevalin
