#include "app/startup_preset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "render/render_settings.h"

#ifdef TREVALIN_HAVE_PRESETS
#include "presets/presets_file.h"
#endif

namespace trevalin {

#ifdef TREVALIN_HAVE_PRESETS
namespace {
const PresetNode* firstPreset(const PresetNode& node) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        const PresetNode* child = node.child(i);
        if (child->isPreset()) return child;
        if (const PresetNode* found = firstPreset(*child)) return found;
    }
    return nullptr;
}
} // namespace
#endif

bool loadFirstPreset(RenderSettings& out, QString* name) {
#ifdef TREVALIN_HAVE_PRESETS
    const QString candidates[] = {
        QDir::current().filePath(QStringLiteral("presets.txt")),
        QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("../share/trevalin/presets.txt")),
        QStringLiteral(TREVALIN_DATA_DIR "/presets.txt"),
    };
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path)) continue;
        const PresetsReadResult result = readPresetsFile(QFile::encodeName(path).toStdString());
        if (result.status != PresetsReadStatus::Read) continue;
        if (const PresetNode* preset = firstPreset(result.tree.root())) {
            out = *preset->settings();
            if (name) *name = QString::fromStdString(preset->name());
            return true;
        }
    }
#else
    (void)out;
    (void)name;
#endif
    return false;
}

} // namespace trevalin
