#include "render/movie_check.h"

#include <cstdio>

#include "formula/arith.h"
#include "render/movie_codecs.h"

namespace trevalin {

std::string movieRefusal(const RenderSettings& s) {
    char text[128];
    if (!(s.framerate > 0)) {
        std::snprintf(text, sizeof text, "Movie not rendered: the frame rate must be above 0");
        return text;
    }
    if (!validMovieCodec(s.codec)) {
        std::snprintf(text, sizeof text, "Movie not rendered: unknown codec %d", s.codec);
        return text;
    }
    // A name that promises another kind of file than the codec writes would
    // mislead whoever opens it.
    if (const std::string mismatch = codecPathMismatch(s.codec, s.moviefile); !mismatch.empty())
        return "Movie not rendered: " + std::string(s.moviefile) + ": " + mismatch;
    // A render of one frame is a still image and writes no movie.
    const int frames = truncToInt32(s.duration * s.framerate);
    if (frames < 2) {
        std::snprintf(text, sizeof text,
                      "Movie not rendered: duration x frame rate makes %d frame%s, and a movie "
                      "needs at least 2",
                      frames, frames == 1 ? "" : "s");
        return text;
    }
    return "";
}

} // namespace trevalin
