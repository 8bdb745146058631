// Reading and writing the document's picture. The document is its image: BMP
// files through the engine's reader and writer, PNG (and, for opening, any
// format Qt reads) through QImage. files are written whole or not at all.
#pragma once

#include <QImage>
#include <QString>
#include <mutex>
#include <string>

namespace trevalin {

class Document;

// Loads the file's pixels into the document's image, which takes the file's
// size (the render is stopped first). False, with the reason, when the file
// cannot be read or its size is outside 1..16000; the document is then unchanged.
bool openImageFile(Document& doc, std::recursive_mutex& renderLock, const QString& path,
                   QString* error = nullptr);

// The text a PNG of the document carries: its settings as the preset
// presetName ("Untitled" when empty), with the image size and time position.
std::string pictureChunkFor(const Document& doc, const QString& presetName);

// Writes the image: PNG when the name ends in .png, else a 24-bit BMP. A PNG
// carries the document's settings as the preset presetName, with the image
// size and time position, as the command line writes them.
bool saveImageFile(const Document& doc, std::recursive_mutex& renderLock, const QString& path,
                   QString* error = nullptr, const QString& presetName = QString());

// A top-down copy of the document's picture, taken under the render lock.
QImage snapshotImage(const Document& doc, std::recursive_mutex& renderLock);

} // namespace trevalin
