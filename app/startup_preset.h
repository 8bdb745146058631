// Where the program's presets come from at start, and the record the pages
// show before anything is loaded: the first preset of the tree.
#pragma once

#include <QString>
#include <QStringList>

namespace trevalin {

class PresetTree;
struct RenderSettings;

// The bundled presets.txt files, the installed one beside the program first,
// then the source tree's.
QStringList bundledPresetsFiles();

// The first preset of tree in tree order; false (and out untouched) when the
// tree holds none.
bool loadFirstPreset(const PresetTree& tree, RenderSettings& out, QString* name = nullptr);

} // namespace trevalin
