#include "app/document_file.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <cstring>
#include <vector>

#include "app/dialogs.h"
#include "image/dib_image.h"
#include "presets/picture_preset.h"
#include "presets/png_file.h"
#include "render/document.h"

namespace trevalin {
namespace {

void setError(QString* error, const QString& text) {
    if (error) *error = text;
}

bool sizeAllowed(int w, int h) {
    return w >= kMinImageSize && w <= kMaxImageSize && h >= kMinImageSize && h <= kMaxImageSize;
}

// The reader's 0x00BBGGRR to the render target's 0x00RRGGBB.
std::uint32_t targetColour(std::uint32_t bgr) {
    return ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

bool writeWhole(const QString& path, const char* bytes, qint64 size, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes, size) != size || !file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool openImageFile(Document& doc, std::recursive_mutex& renderLock, const QString& path,
                   QString* error) {
    DibImage bmp;
    bmp.load(QFile::encodeName(path).toStdString());
    QImage picture;
    int w = 0;
    int h = 0;
    if (bmp.hasData()) {
        w = bmp.width();
        h = bmp.height();
    } else {
        QImageReader reader(path);
        picture = reader.read();
        if (picture.isNull()) {
            setError(error, reader.errorString());
            return false;
        }
        picture = picture.convertToFormat(QImage::Format_RGB32);
        w = picture.width();
        h = picture.height();
    }
    if (!sizeAllowed(w, h)) {
        setError(error, QStringLiteral("The picture is %1 x %2 pixels; the limit is %3 x %3.")
                            .arg(w)
                            .arg(h)
                            .arg(kMaxImageSize));
        return false;
    }

    DibImage& target = doc.image();
    // Stops a running render first.
    if (!doc.setImageSize(w, h) || target.width() != w || target.height() != h) {
        setError(error, QStringLiteral("There is not enough memory for the picture."));
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(renderLock);
    for (int r = 0; r < h; ++r) {
        std::uint32_t* row = target.row(r);
        if (picture.isNull()) {
            for (int c = 0; c < w; ++c)
                row[c] = targetColour(bmp.fetchPixel(c, r));
        } else {
            const auto* src = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(r));
            for (int c = 0; c < w; ++c)
                row[c] = src[c] & 0x00FFFFFFu;
        }
    }
    return true;
}

QImage snapshotImage(const Document& doc, std::recursive_mutex& renderLock) {
    std::lock_guard<std::recursive_mutex> lock(renderLock);
    const DibImage& image = doc.image();
    if (!image.hasData() || image.bitsPerPixel() != 32) return QImage();
    QImage copy(image.width(), image.height(), QImage::Format_RGB32);
    if (copy.isNull()) return copy;
    for (int r = 0; r < image.height(); ++r) {
        std::memcpy(copy.scanLine(r), image.row(r), static_cast<std::size_t>(image.width()) * 4);
    }
    return copy;
}

std::string pictureChunkFor(const Document& doc, const QString& presetName) {
    const std::string name =
        (presetName.isEmpty() ? QStringLiteral("Untitled") : presetName).toUtf8().toStdString();
    return pictureChunkText(name, doc.settings(), doc.image().width(), doc.image().height());
}

bool saveImageFile(const Document& doc, std::recursive_mutex& renderLock, const QString& path,
                   QString* error, const QString& presetName) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("png"), Qt::CaseInsensitive) == 0) {
        std::string why;
        // Encoded under the lock, as the BMP below: no copy of a large picture.
        std::lock_guard<std::recursive_mutex> lock(renderLock);
        const DibImage& image = doc.image();
        if (!image.hasData()) {
            setError(error, QStringLiteral("There is no picture to save."));
            return false;
        }
        if (!writePngFile(image, QFile::encodeName(path).toStdString(), why,
                          pictureChunkFor(doc, presetName))) {
            setError(error, QString::fromStdString(why));
            return false;
        }
        return true;
    }
    std::vector<std::uint8_t> bytes;
    {
        std::lock_guard<std::recursive_mutex> lock(renderLock);
        if (doc.image().save(bytes) == 0 || bytes.empty()) {
            setError(error, QStringLiteral("There is no picture to save."));
            return false;
        }
    }
    return writeWhole(path, reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qint64>(bytes.size()), error);
}

} // namespace trevalin
