// A stop request ends a pass within a row segment per thread, however wide the
// rows: the stop is set from the segment callback after a given number of
// segments, and the segments ended after it are counted, not timed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "formula/formula_context.h"
#include "formula/random_state.h"
#include "image/dib_image.h"
#include "render/document.h"
#include "render/memo_snapshot.h"
#include "render/parallel_pass.h"
#include "render/worker_pool.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;

struct StopCase {
    const char* formula;
    int width, height;
    int step;
    int threads;
    int stopAfter; // segments
};

// A pass of every grid point at step 1 without preview blocks, on the plane
// from the origin with steps of 0.01.
PassPlan storingPlan(FormulaContext& ctx, const RenderSettings& settings, int width, int height,
                     int threads) {
    PassPlan plan;
    plan.context = &ctx;
    plan.settings = &settings;
    plan.width = width;
    plan.height = height;
    plan.threads = threads;
    plan.blocks = false;
    plan.vars.xstep = 0.01;
    plan.vars.ystep = 0.01;
    return plan;
}

TEST(PassStop, WorkAfterTheStopIsAtMostOneSegmentPerOtherThread) {
    const StopCase cases[] = {
        {"mandel()", 16000, 1, 1, 1, 3},           // one very wide row, one thread
        {"mandel()", 16000, 1, 1, 8, 3},           // one row: a single band for eight threads
        {"manc() + x*y", 16000, 3, 1, 2, 5},       // wide rows on two threads
        {"julia()", 9000, 40, 1, 3, 20},           // many bands
        {"x*y + ?", 12000, 64, 2, 8, 1},           // a refining pass
        {"sin(x) * mandel()", 700, 700, 16, 2, 2}, // a coarse pass
    };
    for (const StopCase& c : cases) {
        auto settings = makeSettings({{"red", c.formula}, {"max", "30"}}, 0);
        ASSERT_TRUE(compileFormulas(*settings).empty());
        FormulaContext ctx;
        ctx.setIterationLimit(500);
        DibImage image;
        ASSERT_TRUE(image.create(c.width, c.height));
        std::recursive_mutex lock;
        std::atomic<bool> stop{false};
        // Under one mutex, so "after the stop" is well ordered: a thread that
        // ends a segment after the stop was set sees it before its next one.
        std::mutex counting;
        int segments = 0, afterStop = 0;
        long pixels = 0;
        WorkerPool pool;

        PassPlan plan;
        plan.context = &ctx;
        plan.settings = settings.get();
        plan.width = c.width;
        plan.height = c.height;
        plan.step = c.step;
        plan.allPoints = c.step == 16;
        plan.threads = c.threads;
        plan.vars.left = -2;
        plan.vars.top = -1.5;
        plan.vars.xstep = 3.0 / c.width;
        plan.vars.ystep = 3.0 / c.height;
        plan.vars.jx = -0.8;
        plan.vars.jy = 0.156;
        plan.vars.max = 30;
        plan.vars.scale = 255 / 30.0;
        plan.afterSegment = [&](int n) {
            std::lock_guard<std::mutex> hold(counting);
            EXPECT_GE(n, 1);
            EXPECT_LE(n, kSegmentPixels);
            pixels += n;
            if (stop) ++afterStop;
            if (++segments == c.stopAfter) stop = true;
        };
        const bool completed = renderParallelPass(plan, image, lock, stop, pool);
        EXPECT_FALSE(completed) << c.formula << " " << c.width << "x" << c.height;
        EXPECT_GE(segments, c.stopAfter);
        // At most the segment each other thread had begun.
        EXPECT_LE(afterStop, c.threads - 1)
            << c.formula << " " << c.width << "x" << c.height << " on " << c.threads;
        EXPECT_LE(pixels, static_cast<long>(segments) * kSegmentPixels);
    }
}

// Bands without state are stored as each is done, the others in order once
// their memo guess is checked, on one to three threads: a band cut short by
// the stop is never stored, so every row is either untouched or the whole row
// of the pass without a stop. The memo cases include a plane of one point
// (every guess wrong) and a memo that holds another count at the first point
// (on one thread, the stop after the first band's 15 segments then comes as
// that band is checked, and it is computed again).
TEST(PassStop, BandsStoredAroundAStopAreWhole) {
    const struct {
        const char* formula;
        double xstep, ystep;
        bool memoAtFirstPoint;
    } cases[] = {
        {"x*y + sin(x*40)", 0.01, 0.01, false},
        {"mandel() * 3 + x", 0.01, 0.01, false},
        {"manc() + mandel() * 4 + y", 0.01, 0.01, false},
        {"manc() + mandel() * 4 + y", 0.0, 0.0, false},
        {"mandel() * 2", 0.01, 0.01, true},
    };
    for (const auto& c : cases) {
        const std::uint32_t unwritten = 0xFF0000FFu; // no grey pass writes it
        const int width = 300, height = 90;
        auto settings = makeSettings({{"red", c.formula}, {"max", "30"}}, 0);
        ASSERT_TRUE(compileFormulas(*settings).empty());
        // The pass on threads, stopped after stopAfter segments (never if 0).
        auto render = [&](int threads, int stopAfter, DibImage& image, std::int64_t& stored) {
            FormulaContext ctx;
            if (c.memoAtFirstPoint) {
                ctx.memoX = -2;
                ctx.memoY = -1.5;
                ctx.memoCount = 12;
            }
            EXPECT_TRUE(image.create(width, height));
            for (int y = 0; y < height; ++y)
                std::fill(image.row(y), image.row(y) + width, unwritten);
            std::recursive_mutex lock;
            std::atomic<bool> stop{false};
            std::atomic<int> segments{0};
            std::atomic<std::int64_t> done{0};
            WorkerPool pool;
            PassPlan plan = storingPlan(ctx, *settings, width, height, threads);
            plan.vars.left = -2;
            plan.vars.top = -1.5;
            plan.vars.xstep = c.xstep;
            plan.vars.ystep = c.ystep;
            plan.vars.max = 30;
            plan.vars.scale = 255 / 30.0;
            plan.pixelsDone = &done;
            plan.afterSegment = [&](int) {
                if (++segments == stopAfter) stop = true;
            };
            EXPECT_EQ(renderParallelPass(plan, image, lock, stop, pool), stopAfter == 0);
            stored = done.load();
        };
        DibImage whole;
        std::int64_t all = 0;
        render(1, 0, whole, all);
        EXPECT_EQ(all, width * height);
        for (int threads : {1, 2, 3}) {
            for (int stopAfter : {1, 7, 15, 40}) {
                DibImage image;
                std::int64_t stored = 0, written = 0;
                render(threads, stopAfter, image, stored);
                for (int y = 0; y < height; ++y) {
                    const std::uint32_t* row = image.row(y);
                    const bool untouched = std::all_of(row, row + width, [&](std::uint32_t colour) {
                        return colour == unwritten;
                    });
                    EXPECT_TRUE(untouched || std::equal(row, row + width, whole.row(y)))
                        << c.formula << ", row " << y << ", " << threads << " threads, stop after "
                        << stopAfter;
                    written += untouched ? 0 : width;
                }
                // Progress counts the pixels stored, and only those.
                EXPECT_EQ(stored, written)
                    << c.formula << ", " << threads << " threads, stop after " << stopAfter;
            }
        }
    }
}

// Without a stop every pixel of the pass goes through exactly one segment.
TEST(PassStop, SegmentsCoverThePassOnce) {
    const int sizes[][2] = {{1, 1}, {63, 2}, {64, 3}, {65, 5}, {1000, 7}, {129, 33}};
    for (const auto& size : sizes) {
        for (int threads : {1, 2, 3}) {
            for (int step : {16, 4, 1}) {
                auto settings = makeSettings({{"red", "mandel() + x"}, {"max", "30"}}, 0);
                ASSERT_TRUE(compileFormulas(*settings).empty());
                FormulaContext ctx;
                ctx.setIterationLimit(50);
                DibImage image;
                ASSERT_TRUE(image.create(size[0], size[1]));
                std::recursive_mutex lock;
                std::atomic<bool> stop{false};
                std::atomic<long> pixels{0};
                WorkerPool pool;
                PassPlan plan;
                plan.context = &ctx;
                plan.settings = settings.get();
                plan.width = size[0];
                plan.height = size[1];
                plan.step = step;
                plan.allPoints = step == 16;
                plan.threads = threads;
                plan.vars.xstep = 0.01;
                plan.vars.ystep = 0.01;
                plan.vars.max = 30;
                plan.vars.scale = 255 / 30.0;
                plan.afterSegment = [&](int n) { pixels += n; };
                ASSERT_TRUE(renderParallelPass(plan, image, lock, stop, pool));
                // The grid points of the pass, counted the slow way.
                long expected = 0;
                for (int y = 0; y < size[1]; y += step)
                    for (int x = 0; x < size[0]; x += step)
                        if (plan.allPoints || ((x | y) & (2 * step - 1)) != 0) ++expected;
                EXPECT_EQ(pixels.load(), expected)
                    << size[0] << "x" << size[1] << " step " << step << " on " << threads;
            }
        }
    }
}

// A frame's passes overlapping on one to three threads, stopped after a given
// number of segments or not at all, against the passes one after another on
// one thread; passes that store only their pixels, and passes that paint the
// preview's blocks. Each pass is reported stored in pass order, and whole:
// with blocks the picture then is the one-by-one passes' at that report, as no
// pixel of the next pass may be stored before the blocks under it. Without
// blocks every stored pixel has its final colour and progress counts exactly
// those; with them each pixel shows the last reported pass or the next. After
// the stop each other thread ends at most the segment it had begun. Without a
// stop, the random state and the memo left are the same. The formulas cover
// bands stored as done, bands checked in turn (draws, and the memo on a plane
// of one point, where every band's guess is wrong) and sure guesses.
TEST(PassStop, OverlappedPassesMatchPassesOneByOne) {
    const std::uint32_t unwritten = 0xFF0000FFu; // no grey pass writes it
    const int width = 300, height = 90;
    const struct {
        const char* formula;
        double step; // the plane's, both ways
    } cases[] = {
        {"x*y + sin(x*40)", 0.01},
        {"x*y + ?*64", 0.01},
        {"mandel() * 3 + x", 0.01},
        {"manc() + mandel() * 4 + y", 0.0},
    };
    using Picture = std::vector<std::uint32_t>;
    struct Outcome {
        DibImage image;
        std::vector<std::size_t> reported; // the passes reported stored, in turn
        std::vector<bool> wholeWhenReported;
        std::vector<Picture> pictures; // at each report
        std::int64_t stored = 0;
        int afterStop = 0;
        bool completed = false;
        std::int32_t random = 0;
        MemoSnapshot memo{};
    };
    const auto pictureOf = [](const DibImage& image) {
        Picture p;
        for (int y = 0; y < image.height(); ++y)
            p.insert(p.end(), image.row(y), image.row(y) + image.width());
        return p;
    };
    for (const auto& c : cases) {
        auto settings = makeSettings({{"red", c.formula}, {"max", "30"}}, 0);
        ASSERT_TRUE(compileFormulas(*settings).empty());
        // overlapped: on threads, else one pass after another on one thread.
        auto render = [&](bool overlapped, bool blocks, int threads, int stopAfter, Outcome& o) {
            FormulaContext ctx;
            ctx.setIterationLimit(60);
            RandomState::set(4321);
            ASSERT_TRUE(o.image.create(width, height));
            for (int y = 0; y < height; ++y)
                std::fill(o.image.row(y), o.image.row(y) + width, unwritten);
            std::recursive_mutex lock;
            std::atomic<bool> stop{false};
            std::mutex counting;
            int segments = 0;
            std::atomic<std::int64_t> done{0};
            WorkerPool pool;
            std::vector<PassPlan> plans;
            for (int step = 16; step >= 1; step /= 2) {
                PassPlan plan = storingPlan(ctx, *settings, width, height, threads);
                plan.step = step;
                plan.allPoints = step == 16;
                plan.blocks = blocks;
                plan.vars.left = -2;
                plan.vars.top = -1.5;
                plan.vars.xstep = plan.vars.ystep = c.step;
                plan.vars.max = 30;
                plan.vars.scale = 255 / 30.0;
                plan.pixelsDone = &done;
                plan.afterSegment = [&](int) {
                    std::lock_guard<std::mutex> hold(counting);
                    if (stop) ++o.afterStop;
                    if (++segments == stopAfter) stop = true;
                };
                plans.push_back(std::move(plan));
            }
            const auto passStored = [&](std::size_t pass) {
                std::lock_guard<std::recursive_mutex> hold(lock);
                const int step = 16 >> pass;
                bool whole = true;
                for (int y = 0; y < height; y += step)
                    for (int x = 0; x < width; x += step)
                        whole = whole && o.image.row(y)[x] != unwritten;
                o.reported.push_back(pass);
                o.wholeWhenReported.push_back(whole);
                if (blocks) o.pictures.push_back(pictureOf(o.image));
            };
            if (overlapped) {
                o.completed = renderOverlappedPasses(plans, o.image, lock, stop, pool, passStored);
            } else {
                o.completed = true;
                for (std::size_t k = 0; k < plans.size() && o.completed; ++k) {
                    o.completed = renderParallelPass(plans[k], o.image, lock, stop, pool);
                    if (o.completed) passStored(k);
                }
            }
            o.stored = done.load();
            o.random = RandomState::get();
            o.memo = memoOf(ctx);
        };
        for (bool blocks : {false, true}) {
            Outcome full;
            render(false, blocks, 1, 0, full);
            ASSERT_TRUE(full.completed) << c.formula;
            EXPECT_EQ(full.stored, width * height) << c.formula;
            for (int threads : {1, 2, 3}) {
                for (int stopAfter : {0, 1, 30, 200, 400}) {
                    const std::string where = std::string(c.formula) +
                                              (blocks ? ", blocks, " : ", ") +
                                              std::to_string(threads) + " threads, stop after " +
                                              std::to_string(stopAfter);
                    Outcome o;
                    render(true, blocks, threads, stopAfter, o);
                    EXPECT_EQ(o.completed, stopAfter == 0) << where;
                    for (std::size_t k = 0; k < o.reported.size(); ++k) {
                        EXPECT_EQ(o.reported[k], k) << where;
                        EXPECT_TRUE(o.wholeWhenReported[k]) << "pass " << k + 1 << ", " << where;
                        if (blocks) {
                            EXPECT_TRUE(o.pictures[k] == full.pictures[k])
                                << "pass " << k + 1 << ", " << where;
                        }
                    }
                    const Picture last = pictureOf(o.image), final = pictureOf(full.image);
                    const std::size_t passes = o.reported.size();
                    std::int64_t written = 0, wrong = 0;
                    for (std::size_t i = 0; i < last.size(); ++i) {
                        if (last[i] == unwritten) continue;
                        ++written;
                        if (!blocks) {
                            wrong += last[i] != final[i];
                            continue;
                        }
                        // The last pass reported, or the next one storing.
                        const bool before = passes > 0 && last[i] == full.pictures[passes - 1][i];
                        const bool next = passes < 5 && last[i] == full.pictures[passes][i];
                        wrong += !before && !next;
                    }
                    EXPECT_EQ(wrong, 0) << where;
                    if (!blocks) {
                        EXPECT_EQ(o.stored, written) << where;
                    }
                    EXPECT_LE(o.afterStop, threads - 1) << where;
                    if (stopAfter != 0) continue;
                    EXPECT_EQ(o.reported.size(), 5u) << where;
                    EXPECT_EQ(o.stored, width * height) << where; // each pixel counted once
                    EXPECT_EQ(o.random, full.random) << where;
                    EXPECT_EQ(o.memo.count, full.memo.count) << where;
                    EXPECT_EQ(std::memcmp(&o.memo.value, &full.memo.value, sizeof(double)), 0)
                        << where;
                    EXPECT_EQ(std::memcmp(&o.memo.x, &full.memo.x, sizeof(double)), 0) << where;
                    EXPECT_EQ(std::memcmp(&o.memo.y, &full.memo.y, sizeof(double)), 0) << where;
                }
            }
        }
    }
}

} // namespace
} // namespace trevalin
