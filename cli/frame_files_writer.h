// A movie writer that writes each frame as DIR/frame_00000.bmp, frame_00001.bmp, ...
#pragma once

#include <memory>
#include <string>

#include "render/frame_sink.h"

namespace trevalin {

// The name of frame `index` of a movie in the folder: frame_00000.bmp on.
std::string frameFileName(int index, bool png);

// Numbered frames frame_00000.bmp (or .png) in an existing folder.
std::unique_ptr<FrameSink> makeFrameFilesWriter(const std::string& directory, bool png = false);

} // namespace trevalin
