// The progress line: pass and frame, share done, time left, and the ends.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/render_progress.h"

namespace trevalin {
namespace {

using State = RenderProgress::State;

RenderProgress running(int w, int h, int firstStep, std::int64_t done, double elapsed,
                       int frame = 0, int frames = 1) {
    RenderProgress p;
    p.state = State::Running;
    p.width = w;
    p.height = h;
    p.firstStep = firstStep;
    p.pixelsDone = done;
    p.elapsedSeconds = elapsed;
    p.frame = frame;
    p.frames = frames;
    return p;
}

TEST(RenderProgress, lines) {
    RenderProgress finishedMovie = running(10, 10, 16, 100, 64.2, 119, 120);
    finishedMovie.state = State::Finished;
    RenderProgress finishedStill = running(10, 10, 16, 100, 1.2);
    finishedStill.state = State::Finished;
    RenderProgress stopped = running(100, 100, 16, 5000, 3);
    stopped.state = State::Stopped;
    RenderProgress failed = running(100, 100, 16, 0, 0, 0, 10);
    failed.state = State::Failed;
    const struct {
        RenderProgress progress;
        const char* error;
        const char* text;
    } cases[] = {
        {RenderProgress{}, "", "Ready"},
        // 100 x 100 in passes of 16, 8, 4, 2, 1: 49, 169, 625, 2500 and 10000 points.
        {running(100, 100, 16, 0, 0), "", "Pass 1 of 5, 0%"},
        {running(100, 100, 16, 48, 0.1), "", "Pass 1 of 5, 0%, 21 s left"},
        {running(100, 100, 16, 49, 0.1), "", "Pass 2 of 5, 0%, 21 s left"},
        {running(100, 100, 16, 2499, 1), "", "Pass 4 of 5, 24%, 4 s left"},
        {running(100, 100, 16, 2500, 1), "", "Pass 5 of 5, 25%, 3 s left"},
        {running(100, 100, 16, 9999, 30), "", "Pass 5 of 5, 99%, 1 s left"},
        {running(100, 100, 1, 5000, 10), "", "Pass 1 of 1, 50%, 10 s left"},
        {running(100, 100, 16, 5000, 3600), "", "Pass 5 of 5, 50%, 1 h 00 min left"},
        // A movie: frame 10 of 120, half of it done.
        {running(10, 10, 16, 50, 20, 9, 120), "", "Frame 10 of 120, 7%, 3 min 53 s left"},
        {running(10, 10, 16, 0, 0, 0, 120), "", "Frame 1 of 120, 0%"},
        {finishedStill, "", "Finished in 1.20 s"},
        {finishedMovie, "", "Movie finished: 120 frames in 1 min 04 s"},
        {stopped, "", "Stopped"},
        {failed, "Can't create movie file /proc/m.mov",
         "Failed: Can't create movie file /proc/m.mov"},
        {failed, "", "Failed"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(progressText(c.progress, c.error), c.text) << c.text;
}

TEST(RenderProgress, durations) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "0 s"},           {0.2, "1 s"},         {59, "59 s"},
                 {59.5, "1 min 00 s"}, {61, "1 min 01 s"},   {3599, "59 min 59 s"},
                 {3600, "1 h 00 min"}, {7265, "2 h 01 min"}, {-3, "0 s"}};
    for (const auto& c : cases)
        EXPECT_EQ(durationText(c.seconds), c.text) << c.seconds;
}

// The pass a pixel count falls in, against the walk of the passes itself:
// the first pass computes every point of its grid, each later one only the
// points new to its finer grid.
TEST(RenderProgress, passFollowsTheWalkOfThePasses) {
    const int sizes[][2] = {{1, 1}, {100, 100}, {17, 33}, {256, 3}, {31, 32}, {640, 480}};
    for (const auto& size : sizes) {
        for (int firstStep : {1, 16}) {
            const int w = size[0], h = size[1];
            RenderProgress p = running(w, h, firstStep, 0, 0);
            std::int64_t done = 0;
            int pass = 1;
            for (int step = firstStep; step >= 1; step /= 2, ++pass) {
                const int mask = 2 * step - 1;
                std::int64_t computed = 0;
                for (int py = 0; py < h; py += step)
                    for (int px = 0; px < w; px += step)
                        if (step == firstStep || (mask & (px | py)) != 0) ++computed;
                if (computed == 0) continue; // a pass with nothing new on a tiny image
                p.pixelsDone = done;
                EXPECT_EQ(passNumber(p), pass) << w << "x" << h << " start of pass " << pass;
                p.pixelsDone = done + computed - 1;
                EXPECT_EQ(passNumber(p), pass) << w << "x" << h << " end of pass " << pass;
                done += computed;
            }
            EXPECT_EQ(done, std::int64_t{w} * h); // every pixel once
            EXPECT_EQ(passCount(p), firstStep == 16 ? 5 : 1);
            p.pixelsDone = done;
            EXPECT_DOUBLE_EQ(progressFraction(p), 1.0);
        }
    }
}

// Over a movie the share grows with every pixel and frame, and stays in 0..1.
TEST(RenderProgress, movieShareGrowsMonotonically) {
    double last = -1;
    for (int frame = 0; frame < 5; ++frame) {
        for (std::int64_t done = 0; done <= 12; done += 3) {
            const double share = progressFraction(running(3, 4, 16, done, 1, frame, 5));
            EXPECT_GE(share, last) << frame << " " << done;
            EXPECT_LE(share, 1.0);
            last = share;
        }
    }
    EXPECT_DOUBLE_EQ(last, 1.0);
}

} // namespace
} // namespace trevalin
