// Writing the render target as an 8-bit RGB PNG file, and reading one back.
#pragma once

#include <string>

namespace trevalin {

class DibImage;

// Writes a temporary file beside path and renames it over path only when the
// whole picture was written; false with a message otherwise. A non-empty
// preset text goes into an iTXt chunk with the keyword "Trevalin preset".
bool writePngFile(const DibImage& image, const std::string& path, std::string& error,
                  const std::string& presetText = {});

// Reads a PNG file (any colour type and depth, alpha dropped) into a new
// 32-bit image; false with a message naming the path otherwise.
bool readPngFile(const std::string& path, DibImage& image, std::string& error);

// The "Trevalin preset" text of a PNG file. False with a message when the file
// is not a readable PNG, has no such chunk, or the chunk is over the limit.
bool readPngPresetText(const std::string& path, std::string& text, std::string& error);

} // namespace trevalin
