// Where presets.txt lives: the working directory's file when there is one (so
// a folder of presets can be used by starting the program there), otherwise
// the user's own copy in the data directory, made from the bundled presets on
// first run. The file is written back where it was found.
#pragma once

#include <QString>
#include <QStringList>

namespace trevalin {

struct PresetsLocation {
    QString path;       // the file to read and write
    QString copiedFrom; // the bundled file copied to path on this run, if any
    QString problem;    // why the bundled presets could not be copied, if so
};

// bundled: candidate files in order of preference; the first that exists is
// copied. dataDir is created when needed. With no data directory at all the
// working directory's file is used even though it does not exist yet.
PresetsLocation locatePresetsFile(const QString& workingDir, const QString& dataDir,
                                  const QStringList& bundled);

} // namespace trevalin
