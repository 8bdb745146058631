// The writers behind makeMovieWriter(), one per kind of file; both only
// after loadFfmpeg has loaded FFmpeg's libraries.
#pragma once

#include <memory>

#include "movie/movie_writer.h"

namespace trevalin {

// QuickTime files with the QuickTime codecs (codec 0..5).
std::unique_ptr<MovieWriter> makeQuickTimeWriter();
// MP4 with H.264, WebM with VP9, animated GIF.
std::unique_ptr<MovieWriter> makeSharedMovieWriter();

} // namespace trevalin
