#include "app/pages/movie_format_picker.h"

#include <QComboBox>
#include <QFileInfo>

namespace trevalin {

MovieFormatPicker::MovieFormatPicker(QWidget* parent) : QObject(parent) {
    format_ = new QComboBox(parent);
    for (const MovieContainerRow& row : kMovieContainers) {
        const QString name = tr(row.name);
        format_->addItem(*row.extension ? QStringLiteral("%1 (%2)").arg(name, row.extension) : name,
                         static_cast<int>(row.id));
    }
    codec_ = new QComboBox(parent);
    // Activated only: loading the page sets the lists without these.
    connect(format_, &QComboBox::activated, this, [this](int index) {
        const auto container = static_cast<MovieContainer>(format_->itemData(index).toInt());
        fillCodecs(container);
        codecId_ = firstCodecOf(container);
        codec_->setCurrentIndex(0);
        emit formatPicked(container);
    });
    setCodec(codecId_);
}

int MovieFormatPicker::codec() const {
    return codec_->currentIndex() >= 0 ? codec_->currentData().toInt() : codecId_;
}

void MovieFormatPicker::fillCodecs(MovieContainer container) {
    codec_->clear();
    for (int i = 0; i < kMovieCodecCount; ++i)
        if (kMovieCodecs[i].container == container) codec_->addItem(tr(kMovieCodecs[i].name), i);
}

void MovieFormatPicker::setCodec(int codec) {
    codecId_ = codec;
    if (!validMovieCodec(codec)) {
        // Kept as it is: a newer program's codec survives a save.
        format_->setCurrentIndex(-1);
        codec_->clear();
        return;
    }
    const MovieContainer container = kMovieCodecs[codec].container;
    format_->setCurrentIndex(format_->findData(static_cast<int>(container)));
    fillCodecs(container);
    codec_->setCurrentIndex(codec_->findData(codec));
}

QString movieFileFilter(int codec) {
    const QString all = MovieFormatPicker::tr("All Files (*)");
    if (!validMovieCodec(codec)) return all;
    const MovieContainerRow& row = containerOfCodec(codec);
    if (!*row.extension) return all;
    return MovieFormatPicker::tr("%1 Movies (*%2)")
               .arg(MovieFormatPicker::tr(row.name), row.extension) +
           QStringLiteral(";;") + all;
}

QString movieFileSuffix(int codec) {
    if (!validMovieCodec(codec)) return QString();
    return QString::fromLatin1(containerOfCodec(codec).extension).mid(1);
}

QString pathForContainer(const QString& path, MovieContainer container) {
    QString stem = path;
    const QByteArray local = path.toLocal8Bit();
    if (containerOfPath(local.toStdString())) {
        const int dot = int(path.lastIndexOf(QLatin1Char('.')));
        stem = path.left(dot);
    } else if (!QFileInfo(path).suffix().isEmpty()) {
        return path; // an extension no movie format knows: the check names it
    }
    if (stem.isEmpty()) return path;
    return stem + QString::fromLatin1(containerRow(container).extension);
}

} // namespace trevalin
