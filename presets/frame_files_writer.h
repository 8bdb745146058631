// A movie writer that writes each frame as DIR/frame_00000.bmp, frame_00001.bmp, ...
// Both programs use it: the command line for --frames, the desktop program for
// the frames-folder codecs.
#pragma once

#include <memory>
#include <string>

#include "render/frame_sink.h"

namespace trevalin {

// The name of frame `index` of a movie in the folder: frame_00000.bmp on.
std::string frameFileName(int index, bool png);

// The name of the first frame of a movie the folder already holds (the PNG
// one when both are there), or empty: frames written over others are asked for.
std::string existingFirstFrame(const std::string& directory);

// Numbered frames frame_00000.bmp (or .png) in an existing folder. PNG frames
// carry presetText (the movie's preset, as pictureChunkText gives it) when it
// is not empty: with --from and --range a frame can be rendered again.
std::unique_ptr<FrameSink> makeFrameFilesWriter(const std::string& directory, bool png = false,
                                                std::string presetText = {});

// The writer for a frames-folder codec's movie: PNG for "PNG frames", BMP
// otherwise, into the folder params.path names.
std::unique_ptr<FrameSink> makeFramesFolderWriter(const MovieParams& params,
                                                  std::string presetText = {});

} // namespace trevalin
