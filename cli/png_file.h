// Writing the render target as an 8-bit RGB PNG file.
#pragma once

#include <string>

namespace trevalin {

class DibImage;

// Writes a temporary file beside path and renames it over path only when the
// whole picture was written; false with a message otherwise.
bool writePngFile(const DibImage& image, const std::string& path, std::string& error);

} // namespace trevalin
