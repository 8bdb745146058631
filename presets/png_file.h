// Writing the render target as an 8-bit RGB PNG file.
#pragma once

#include <string>

namespace trevalin {

class DibImage;

// Writes a temporary file beside path and renames it over path only when the
// whole picture was written; false with a message otherwise. A non-empty
// preset text goes into an iTXt chunk with the keyword "Trevalin preset".
bool writePngFile(const DibImage& image, const std::string& path, std::string& error,
                  const std::string& presetText = {});

// The "Trevalin preset" text of a PNG file. False with a message when the file
// is not a readable PNG, has no such chunk, or the chunk is over the limit.
bool readPngPresetText(const std::string& path, std::string& text, std::string& error);

} // namespace trevalin
