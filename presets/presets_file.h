// Reading and writing presets.txt: categories ("CAT" ... "ENDCAT") holding
// presets ("PRESET name", value lines, "ENDPRESET"), one item per line.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "presets/preset_tree.h"
#include "render/render_settings.h"

namespace trevalin {

inline constexpr std::size_t kPresetLineLimit = 1023;  // characters read per line
inline constexpr std::size_t kPresetNameLimit = 63;    // characters of a preset name read
inline constexpr std::size_t kCategoryDepthLimit = 16; // categories open at once
inline constexpr std::size_t kWrittenNameLimit = 255;  // characters of a name written
// Far more than anyone keeps; past this many the rest of the file is not read,
// so the tree (and the desktop program's list of it) stays a few tens of
// megabytes for presets without long formulas.
inline constexpr std::size_t kPresetCountLimit = 100000;
inline constexpr std::size_t kPresetWarningLimit = 100; // warnings listed; then one saying so

enum class PresetsReadStatus {
    Read,    // the file was read (warnings may still say what was cut)
    Missing, // no such file: the tree is empty; callers may fall back to bundled presets
    Failed,  // the file exists but could not be read (or memory ran out); the tree
             // holds what was read before
};

struct PresetsReadResult {
    PresetTree tree;
    PresetsReadStatus status = PresetsReadStatus::Read;
    std::string error;                 // unless Read: the path and the reason
    std::vector<std::string> warnings; // "line N: ..." for everything cut or dropped
};

// After Failed, do not write the tree back over the file: it would replace
// presets that could not be read with a partial or empty tree.
PresetsReadResult readPresets(std::istream& in);
PresetsReadResult readPresetsFile(const std::filesystem::path& path);

struct PresetsWriteResult {
    bool ok = true;
    std::string error; // for a failure: the path and the reason
    // Values written that will not read back as they are (a category name with
    // a blank, a line beyond the read limit, a formula with a tab, ...).
    std::vector<std::string> warnings;
};

PresetsWriteResult writePresets(const PresetTree& tree, std::ostream& out);
// Replaces the file only once the whole tree is written; on failure the
// previous file is left as it was.
PresetsWriteResult writePresetsFile(const PresetTree& tree, const std::filesystem::path& path);

// The record a "PRESET" line starts from: all zero bytes, then frame rate
// 10.0, duration 1.0, 24-bit depth, normal priority, Motion JPEG A and the
// movie file "<name>.mov".
PresetRecord presetDefaults(std::string_view name);
void setPresetDefaults(RenderSettings& settings, std::string_view name);

} // namespace trevalin
