#include "render/movie_check.h"

#include <cstdio>

#include "formula/arith.h"

namespace trevalin {

std::string movieRefusal(const RenderSettings& s) {
    char text[128];
    if (!(s.framerate > 0)) {
        std::snprintf(text, sizeof text, "Movie not rendered: the frame rate must be above 0");
        return text;
    }
    if (s.codec < 0 || s.codec > 5) {
        std::snprintf(text, sizeof text, "Movie not rendered: unknown codec %d", s.codec);
        return text;
    }
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
