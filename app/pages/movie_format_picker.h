// The movie's format and codec as two lists side by side: the format (the kind
// of file) picks which codecs the codec list offers. Both come from the
// codec/container table; the settings keep only the codec.
#pragma once

#include <QObject>
#include <QString>

#include "render/movie_codecs.h"

class QComboBox;
class QWidget;

namespace trevalin {

class MovieFormatPicker : public QObject {
    Q_OBJECT
  public:
    explicit MovieFormatPicker(QWidget* parent);

    QComboBox* formatList() const { return format_; }
    QComboBox* codecList() const { return codec_; }

    // Shows codec and its format; a codec not in the table shows neither and
    // is what codec() gives back.
    void setCodec(int codec);
    // The codec list's pick, or the one set when it shows none.
    int codec() const;

  signals:
    // The user picked a format: the codec moved to its first one.
    void formatPicked(MovieContainer container);

  private:
    void fillCodecs(MovieContainer container);

    QComboBox* format_;
    QComboBox* codec_;
    int codecId_ = 0;
};

// The file dialog's filter and default suffix for the codec's kind of file.
QString movieFileFilter(int codec);
QString movieFileSuffix(int codec);

// path with its extension made the container's: a known movie extension is
// replaced, a name without one gets it; a frames folder has none.
QString pathForContainer(const QString& path, MovieContainer container);

} // namespace trevalin
