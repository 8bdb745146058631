// At a high iteration count one point iterates for seconds. A stop request
// cuts that short on every path, and nothing computed from a cut-short
// iteration is kept: no pixel, no memo entry, no random state.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "formula/noise.h"
#include "formula/random_state.h"
#include "render/memo_snapshot.h"
#include "tests/render/child_process.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;
using testing::Renderer;

std::vector<std::uint32_t> pixelsOf(const DibImage& image) {
    std::vector<std::uint32_t> p;
    for (int y = 0; y < image.height(); ++y)
        p.insert(p.end(), image.row(y), image.row(y) + image.width());
    return p;
}

// A region inside the main cardioid, where every point takes all the steps,
// then the given fields (which may replace its own).
testing::Fields insideTheSet(const testing::Fields& fields) {
    testing::Fields all = {
        {"left", "-0.4"}, {"top", "-0.2"}, {"width", "0.4"}, {"height", "0.4"}, {"zoom", "1"}};
    all.insert(all.end(), fields.begin(), fields.end());
    return all;
}

// Renders s, stops the render once it is into its first iterations (or
// before them: the same outcome), and checks that it left no trace: the
// picture, memo and random state as they were, and the iteration limit at
// limitAfter (what the frame's set-up sets, if it ran to the end).
void expectStopLeavesNoTrace(Renderer& r, const RenderSettings& s, std::int32_t limitAfter,
                             int frames = 1) {
    const std::vector<std::uint32_t> picture = pixelsOf(r.doc->image());
    const MemoSnapshot memo = memoOf(r.doc->context());
    const std::int32_t random = RandomState::get();
    r.doc->setSettings(s);
    r.doc->setFrameCount(frames);
    r.doc->startRendering();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    r.doc->stopRendering();
    EXPECT_FALSE(r.job.finished());
    EXPECT_EQ(picture, pixelsOf(r.doc->image()));
    EXPECT_TRUE(memo.same(memoOf(r.doc->context())));
    EXPECT_EQ(limitAfter, r.doc->context().iterationLimit);
    EXPECT_EQ(random, RandomState::get());
}

TEST(LongIterationStop, EndsTheRenderAndLeavesNoTrace) {
    struct Case {
        const char* path;
        bool onePixel;
        int threads;
    };
    for (const Case& c : {Case{"one pixel", true, 1}, Case{"lanes, one thread", false, 1},
                          Case{"lanes, two threads", false, 2}}) {
        SCOPED_TRACE(c.path);
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(40, 24));
        r.job.setOnePixelOnly(c.onePixel);
        r.job.setThreadCount(c.threads);
        // Two billion steps a point, seconds each; the first pass has 6.
        expectStopLeavesNoTrace(r,
                                *makeSettings(insideTheSet({{"red", "mandel() + ?"},
                                                            {"grn", "mandel()"},
                                                            {"recurse", "2000000000"},
                                                            {"max", "255"}}),
                                              1),
                                2000000000); // set by the frame's set-up, which ran
    }
}

// A region formula calling a fractal function iterates at the limit the last
// render left, before this render sets its own: a stop cuts that short too,
// and the render ends with the state as it was.
TEST(LongIterationStop, ReachesIntoTheFramesSetUp) {
    for (const bool onePixel : {true, false}) {
        SCOPED_TRACE(onePixel ? "one pixel" : "lanes");
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(40, 24));
        r.doc->context().setIterationLimit(2000000000);
        r.job.setOnePixelOnly(onePixel);
        // At set-up the point is the plane's origin, inside the set.
        expectStopLeavesNoTrace(r,
                                *makeSettings(insideTheSet({{"red", "x*y + ?"},
                                                            {"left", "mandel() - 0.4"},
                                                            {"recurse", "64"},
                                                            {"max", "1"}}),
                                              0),
                                2000000000); // as before: the set-up, which sets 64, was cut
    }
}

// A range of a movie that starts at a later frame first works out that
// frame's memo by replaying the fractal calls of the frame before's last
// pixel: a stop cuts that short too.
TEST(LongIterationStop, ReachesIntoARangesStart) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(40, 24));
    r.job.setFrameRange(2, 2);
    const std::int32_t limit = r.doc->context().iterationLimit;
    expectStopLeavesNoTrace(
        r, *makeSettings(insideTheSet({{"red", "mandel()"}, {"recurse", "2000000000"}}), 0), limit,
        3);
}

// The pixel that first uses gradient noise builds the table and reseeds the
// generator; when a stop cuts that pixel short, the table is as unbuilt as the
// state is unchanged. In a child: the table is built once per process.
TEST(LongIterationStop, APixelCutShortUnbuildsTheGradientTable) {
    const std::vector<std::uint64_t> words = wordsFromChild([] {
        Renderer r;
        if (!r.doc->setImageSize(16, 16) || gradientTableBuilt()) _exit(3);
        auto s = makeSettings(insideTheSet({{"red", "gnoise3d(x*3, y*3, 0.5) + mandel()"},
                                            {"recurse", "2000000000"},
                                            {"max", "255"}}),
                              0);
        const std::int32_t random = RandomState::get();
        r.doc->setSettings(*s);
        r.doc->setFrameCount(1);
        r.doc->startRendering();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        r.doc->stopRendering();
        return std::vector<std::uint64_t>{gradientTableBuilt(), RandomState::get() == random,
                                          r.job.finished()};
    });
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0], 0u) << "the gradient table stayed built";
    EXPECT_EQ(words[1], 1u) << "the random state moved";
    EXPECT_EQ(words[2], 0u) << "the render finished";
}

} // namespace
} // namespace trevalin
