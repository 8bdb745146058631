#include "app/pages/presets_location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace trevalin {

namespace {
const QString kFileName = QStringLiteral("presets.txt");
} // namespace

PresetsLocation locatePresetsFile(const QString& workingDir, const QString& dataDir,
                                  const QStringList& bundled) {
    PresetsLocation where;
    const QString local = QDir(workingDir).filePath(kFileName);
    if (QFileInfo::exists(local) || dataDir.isEmpty()) {
        where.path = local;
        return where;
    }
    where.path = QDir(dataDir).filePath(kFileName);
    if (QFileInfo::exists(where.path)) return where;

    QString source;
    for (const QString& candidate : bundled) {
        if (QFileInfo(candidate).isFile()) {
            source = candidate;
            break;
        }
    }
    // Without bundled presets the tree starts empty; the first save creates the file.
    if (source.isEmpty()) return where;

    if (!QDir().mkpath(dataDir)) {
        where.problem = QStringLiteral("cannot create the folder %1").arg(dataDir);
        return where;
    }
    QFile copy(source);
    if (!copy.copy(where.path)) {
        where.problem =
            QStringLiteral("cannot copy %1 to %2: %3").arg(source, where.path, copy.errorString());
        return where;
    }
    // An installed, read-only original must not make the user's copy read-only.
    QFile::setPermissions(where.path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
    where.copiedFrom = source;
    return where;
}

} // namespace trevalin
