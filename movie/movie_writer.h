// Writes rendered frames into a QuickTime movie file through FFmpeg's
// libraries; the render job sees it as a FrameSink.
#pragma once

#include <functional>
#include <memory>

#include "render/frame_sink.h"

namespace trevalin {

// The name the movie code and its tests use for a sink that writes a movie.
using MovieWriter = FrameSink;

// Makes the writer for a frames-folder codec when the movie opens. The movie
// code writes no picture files itself, so the program that can hands one in.
using FramesFolderFactory = std::function<std::unique_ptr<MovieWriter>(const MovieParams&)>;

// The writer on FFmpeg's libraries; frames-folder codecs go to folderWriter,
// and are refused without one.
std::unique_ptr<MovieWriter> makeMovieWriter(FramesFolderFactory folderWriter = {});

} // namespace trevalin
