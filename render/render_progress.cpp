#include "render/render_progress.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace trevalin {
namespace {

std::int64_t gridPoints(int width, int height, int step) {
    return static_cast<std::int64_t>((width + step - 1) / step) * ((height + step - 1) / step);
}

__attribute__((format(printf, 1, 2))) std::string format(const char* pattern, ...) {
    char text[128];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

} // namespace

int passCount(const RenderProgress& p) {
    int passes = 1;
    for (int step = p.firstStep; step > 1; step /= 2)
        ++passes;
    return passes;
}

int passNumber(const RenderProgress& p) {
    // Each pass computes only the points new to its grid, so the pass a count
    // of pixels falls in follows from the grids' sizes alone.
    int pass = 1;
    for (int step = p.firstStep; step > 1; step /= 2, ++pass)
        if (p.pixelsDone < gridPoints(p.width, p.height, step)) return pass;
    return pass;
}

double progressFraction(const RenderProgress& p) {
    if (p.state == RenderProgress::State::Finished) return 1.0;
    const std::int64_t total = static_cast<std::int64_t>(p.width) * p.height;
    double frame = total > 0 ? static_cast<double>(p.pixelsDone) / static_cast<double>(total) : 0;
    frame = std::fmin(std::fmax(frame, 0.0), 1.0);
    if (p.frames <= 1) return frame;
    const double done = (p.frame + frame) / p.frames;
    return std::fmin(std::fmax(done, 0.0), 1.0);
}

std::string durationText(double seconds) {
    const long long s = std::llround(std::ceil(std::fmax(seconds, 0.0)));
    if (s < 60) return format("%lld s", s);
    if (s < 3600) return format("%lld min %02lld s", s / 60, s % 60);
    return format("%lld h %02lld min", s / 3600, (s % 3600) / 60);
}

std::string progressText(const RenderProgress& p, const std::string& errorText) {
    using State = RenderProgress::State;
    switch (p.state) {
    case State::Idle: return "Ready";
    case State::Stopped: return "Stopped";
    case State::Failed: return errorText.empty() ? "Failed" : "Failed: " + errorText;
    case State::Finished: {
        // Time taken to the hundredth under a minute, as the status band says it.
        const std::string took = p.elapsedSeconds < 60 ? format("%.2f s", p.elapsedSeconds)
                                                       : durationText(std::round(p.elapsedSeconds));
        if (p.frames > 1) return format("Movie finished: %d frames in %s", p.frames, took.c_str());
        return "Finished in " + took;
    }
    case State::Running: break;
    }
    const double done = progressFraction(p);
    // Whole percents, never 100 before the end.
    const int percent = static_cast<int>(std::fmin(std::floor(done * 100), 99));
    std::string text = p.frames > 1
                           ? format("Frame %d of %d, %d%%", p.frame + 1, p.frames, percent)
                           : format("Pass %d of %d, %d%%", passNumber(p), passCount(p), percent);
    // The rate so far predicts the rest; with nothing done there is no rate.
    if (done > 0 && p.elapsedSeconds > 0)
        text += ", " + durationText(p.elapsedSeconds * (1 - done) / done) + " left";
    return text;
}

} // namespace trevalin
