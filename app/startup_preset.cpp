#include "app/startup_preset.h"

#include <QCoreApplication>
#include <QDir>

#include "presets/preset_tree.h"
#include "render/render_settings.h"

namespace trevalin {

QStringList bundledPresetsFiles() {
    return {
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../share/trevalin/presets.txt")),
        QStringLiteral(TREVALIN_DATA_DIR "/presets.txt"),
    };
}

bool loadFirstPreset(const PresetTree& tree, RenderSettings& out, QString* name) {
    const PresetNode* preset = tree.firstPreset();
    if (!preset) return false;
    preset->copySettings(out);
    if (name) *name = QString::fromStdString(preset->name());
    return true;
}

} // namespace trevalin
