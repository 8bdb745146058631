// The recent-file list of File menu: the last four documents opened or saved,
// newest first, kept in the program's settings.
#pragma once

#include <QStringList>

class QSettings;

namespace trevalin {

class RecentFileList {
  public:
    static constexpr int kSize = 4;

    void Load(QSettings& settings);
    void Save(QSettings& settings) const;

    // Puts path first; a path already listed moves up instead of appearing twice.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return files_; }

  private:
    QStringList files_;
};

} // namespace trevalin
