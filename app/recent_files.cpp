#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace trevalin {
namespace {
const QString kGroup = QStringLiteral("Recent File List");

QString normalised(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}
} // namespace

void RecentFileList::load(QSettings& settings) {
    files_.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= kSize; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !files_.contains(path)) files_ << path;
    }
    settings.endGroup();
}

void RecentFileList::save(QSettings& settings) const {
    settings.beginGroup(kGroup);
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= files_.size()) {
            settings.setValue(key, files_[i - 1]);
        } else {
            settings.remove(key);
        }
    }
    settings.endGroup();
}

void RecentFileList::add(const QString& path) {
    const QString full = normalised(path);
    files_.removeAll(full);
    files_.prepend(full);
    while (files_.size() > kSize)
        files_.removeLast();
}

void RecentFileList::remove(const QString& path) {
    files_.removeAll(normalised(path));
}

} // namespace trevalin
