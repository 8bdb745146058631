// Writes rendered frames into a QuickTime movie file through FFmpeg's
// libraries; the render job sees it as a FrameSink.
#pragma once

#include <memory>

#include "render/frame_sink.h"

namespace trevalin {

// The name the movie code and its tests use for a sink that writes a movie.
using MovieWriter = FrameSink;

// The writer on FFmpeg's libraries.
std::unique_ptr<MovieWriter> makeMovieWriter();

} // namespace trevalin
