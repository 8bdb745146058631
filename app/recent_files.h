// The recent-file list of file menu: the last four documents opened or saved,
// newest first, kept in the program's settings.
#pragma once

#include <QStringList>

class QSettings;

namespace trevalin {

class RecentFileList {
  public:
    static constexpr int kSize = 4;

    void load(QSettings& settings);
    void save(QSettings& settings) const;

    // Puts path first; a path already listed moves up instead of appearing twice.
    void add(const QString& path);
    void remove(const QString& path);
    const QStringList& files() const { return files_; }

  private:
    QStringList files_;
};

} // namespace trevalin
