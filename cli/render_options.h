// trevalin-render's command line, read into options without printing.
#pragma once

#include <string>
#include <vector>

namespace trevalin {

extern const char* const kUsage;

enum Exit { kRendered = 0, kRenderError = 1, kBadInput = 2, kOutputFailed = 3, kInterrupted = 130 };

struct RenderOptions {
    std::string presets, preset, source, output, movie, frames, from, codec, assemble;
    std::vector<std::string> sets;
    int width = 256, height = 256, time = 0;
    int threads = 0; // every core
    bool list = false, quiet = false, mkdir = false, sizeGiven = false, timeGiven = false;
    // --range A..B: frames A to B of the movie, 0-based and inclusive.
    bool rangeGiven = false;
    int rangeFirst = 0, rangeLast = 0;
};

// -1 when the options were read; otherwise the exit status, with what was
// wrong in error (empty for --help, which exits with kRendered).
int parseOptions(int argc, const char* const* argv, RenderOptions& o, std::string& error);

// Why --range cannot be rendered from a movie of `frames` frames with the
// codec; empty when it can. With --movie, its name must suit the codec.
std::string frameRangeRefusal(const RenderOptions& o, int codec, int frames);

} // namespace trevalin
