// The record the pages show at start: the first preset of presets.txt.
#pragma once

#include <QString>

namespace trevalin {

struct RenderSettings;

// Looks in the working directory's presets.txt, then in the bundled one. False
// (and out untouched) when no file with a preset is found or the reader is not
// part of this build.
bool loadFirstPreset(RenderSettings& out, QString* name = nullptr);

} // namespace trevalin
