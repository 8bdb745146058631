// Renders on the faster paths (escape-time lanes, one or several threads)
// against the one-pixel loop: random settings from
// our own generator, odd sizes, every colour model, movies of three frames.
// The same bytes and the same state left behind (random state, fractal memo,
// gradient table) every time.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formula/formula_context.h"
#include "formula/noise.h"
#include "formula/random_state.h"
#include "render/parallel_pass.h"
#include "tests/render/child_process.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::Fields;
using testing::makeSettings;
using testing::Renderer;

std::uint64_t digest(const DibImage& image) {
    std::uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            h = (h ^ image.row(y)[x]) * 1099511628211ull;
    return h;
}

// Keeps a digest of every frame handed to it.
class DigestWriter : public FrameSink {
  public:
    explicit DigestWriter(std::vector<std::uint64_t>& digests) : digests_(digests) {}
    void open(const MovieParams&, ErrorReporter) override {}
    int addFrame(const DibImage& image) override {
        digests_.push_back(digest(image));
        return 1;
    }
    void finish() override {}
    void close() override {}

  private:
    std::vector<std::uint64_t>& digests_;
};

struct Outcome {
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint64_t> frames;
    // The picture after every pass: what a render stopped there shows.
    std::vector<std::uint64_t> passes;
    std::int32_t random = 0;
    std::int32_t memoCount = 0;
    std::uint64_t memoValue = 0, memoX = 0, memoY = 0; // bits, so NaNs compare
    bool gradientBuilt = false;
    bool finished = false;

    bool operator==(const Outcome&) const = default;
};

std::uint64_t bits(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

struct Case {
    std::string name;
    Fields fields;
    int colormode = 0;
    int oversample = 0, wrap = 0, cycle = 0;
    int width = 17, height = 13;
    int frames = 1;
    int minBandPixels = 1; // 0: the render's own default
};

std::string describe(const Case& c) {
    std::ostringstream out;
    out << c.name << " [mode " << c.colormode << " over " << c.oversample << " wrap " << c.wrap
        << " cycle " << c.cycle << " " << c.width << "x" << c.height << " frames " << c.frames
        << " bands of " << c.minBandPixels << "+]";
    for (const auto& [k, v] : c.fields)
        out << " " << k << "=" << v;
    return out.str();
}

// A fresh document (which resets the generator), a render, and what it left.
// The memo starts off the plane's grid unless preset says otherwise.
// threads 0 stands for the reference: the one-pixel loop alone. Without
// blocks the picture starts as a colour no pass writes, so a pixel that no
// pass stores shows.
// pictures, when given, gets the whole picture at every paint request.
Outcome renderCase(const Case& c, int threads, bool blocks = true,
                   std::vector<std::vector<std::uint32_t>>* pictures = nullptr) {
    Renderer r;
    r.job.setThreadCount(threads == 0 ? 1 : threads);
    r.job.setOnePixelOnly(threads == 0);
    r.job.setPreviewBlocks(blocks);
    r.job.setMinBandPixels(c.minBandPixels);
    std::vector<std::uint64_t> digests;
    r.job.setWriterFactory([&] { return std::make_unique<DigestWriter>(digests); });
    std::vector<std::uint64_t> passes;
    // Passes overlap on threads: without blocks the next one may be storing.
    r.job.setPaintRequest([&] {
        std::lock_guard<std::recursive_mutex> hold(r.job.lock());
        const DibImage& image = r.doc->image();
        passes.push_back(digest(image));
        if (!pictures) return;
        std::vector<std::uint32_t> picture;
        for (int y = 0; y < image.height(); ++y)
            picture.insert(picture.end(), image.row(y), image.row(y) + image.width());
        pictures->push_back(std::move(picture));
    });
    EXPECT_TRUE(r.doc->setImageSize(c.width, c.height));
    if (!blocks)
        for (int y = 0; y < c.height; ++y)
            std::fill(r.doc->image().row(y), r.doc->image().row(y) + c.width, 0xFF0000FFu);
    auto s = makeSettings(c.fields, c.colormode);
    s->oversample = c.oversample;
    s->wrap = c.wrap;
    s->cycle = c.cycle;
    Outcome o;
    o.finished = r.render(*s, c.frames);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            o.pixels.push_back(r.pixel(x, y));
    o.frames = digests;
    o.passes = passes;
    const FormulaContext& ctx = r.doc->context();
    o.random = RandomState::get();
    o.memoCount = ctx.memoCount;
    o.memoValue = bits(ctx.memoValue);
    o.memoX = bits(ctx.memoX);
    o.memoY = bits(ctx.memoY);
    o.gradientBuilt = gradientTableBuilt();
    return o;
}

// Our settings generator: formulas built from pieces that touch every part of
// the state, over regions that include degenerate ones.
Case randomCase(std::mt19937& rng, int index) {
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    const std::vector<std::string> pieces = {
        "x*y",
        "x+y",
        "?",
        "?*?",
        "mandel()",
        "manc()",
        "julia()",
        "man3()",
        "dragon()",
        "sin(x*7)",
        "noise(x*4, y*4)",
        "turb(x, y*3)",
        "x/y",
        "0/0",
        "log(x)",
        "px - py",
        "rgb(x, ?, y)",
        "hsv(x*90, 200, 255)",
        "cond(mandel() > 3, ?, x)",
        "fbm(x, y, t, 1, 2, 3)",
        "gturb3d(x, y, t)",
        "t*?",
        "sample(x, y)",
    };
    auto formula = [&] {
        std::string f = pick(pieces);
        if (rng() % 2) f += " + " + pick(pieces);
        return f;
    };
    const std::vector<std::vector<std::string>> regions = {
        {"-2", "-1.5", "3", "3"},      // ordinary
        {"0.3", "0.2", "0", "1"},      // zero-width plane
        {"0.3", "0.2", "0", "0"},      // a single point
        {"0", "0", "0/0", "1"},        // columns that are not a number
        {"0", "0", "0/0", "0/0"},      // no number anywhere
        {"-1", "0.5", "2", "0/0"},     // rows below the first not a number
        {"1e17", "-1", "1", "2"},      // the column step lost to rounding
        {"1e17", "1e17", "1", "1"},    // both steps lost to rounding
        {"-0.75", "0.1", "0.01", "0"}, // zero height
    };
    Case c;
    c.name = "case " + std::to_string(index);
    const auto& region = regions[rng() % regions.size()];
    c.fields = {{"red", formula()},
                {"grn", formula()},
                {"blu", formula()},
                {"left", region[0]},
                {"top", region[1]},
                {"width", region[2]},
                {"height", region[3]},
                {"min", "0"},
                {"max", pick({"1", "40", "0"})},
                {"recurse", pick({"64", "200"})},
                {"p0", "-0.8"},
                {"q0", "0.156"}};
    c.colormode = static_cast<int>(rng() % 4);
    c.oversample = static_cast<int>(rng() % 2);
    c.wrap = static_cast<int>(rng() % 2);
    c.cycle = static_cast<int>(rng() % 2);
    const int sizes[][2] = {{17, 13}, {33, 9}, {5, 31}, {1, 1}, {40, 3}, {19, 23}};
    const auto& size = sizes[rng() % 6];
    c.width = size[0];
    c.height = size[1];
    c.frames = rng() % 5 == 0 ? 3 : 1;
    return c;
}

// Memo aliasing, the cases the memo rules single out.
std::vector<Case> memoCases() {
    const Fields plane = {{"left", "-2"}, {"top", "-1.25"}, {"width", "2.5"}, {"height", "2.5"},
                          {"min", "0"},   {"max", "30"},    {"p0", "-0.8"},   {"q0", "0.156"}};
    auto with = [&](Fields extra) {
        Fields f = plane;
        for (auto& e : extra)
            f.push_back(e);
        return f;
    };
    std::vector<Case> cases;
    cases.push_back({"mandel julia manc",
                     with({{"red", "mandel()"}, {"grn", "julia()"}, {"blu", "manc()"}}), 1});
    cases.push_back({"manc first",
                     with({{"red", "manc()*9"}, {"grn", "mandel()"}, {"blu", "julia() + manc()"}}),
                     2, 1});
    cases.push_back(
        {"dragon triple", with({{"red", "rgb(dragon(), man3(), manc())"}}), 3, 1, 1, 1});
    Case zero{"zero width plane", with({{"red", "mandel()"}, {"grn", "manc()"}, {"blu", "?"}}), 1};
    zero.fields.push_back({"width", "0"});
    cases.push_back(zero);
    Case nan{"NaN plane", with({{"red", "julia() + ?"}}), 0, 1};
    nan.fields.push_back({"top", "0/0"});
    nan.fields.push_back({"width", "0/0"});
    cases.push_back(nan);
    Case point{"point plane", with({{"red", "mandel()"}, {"grn", "?"}, {"blu", "manc()"}}), 2, 1};
    point.fields.push_back({"width", "0"});
    point.fields.push_back({"height", "0"});
    cases.push_back(point);
    Case nanRows{"NaN rows", with({{"red", "y"}, {"grn", "manc()"}}), 1};
    nanRows.fields.push_back({"height", "0/0"});
    nanRows.fields.push_back({"max", "1"});
    nanRows.fields.push_back({"top", "0.5"});
    nanRows.fields.push_back({"zoom", "1"}); // else the zoom makes the top NaN too
    cases.push_back(nanRows);
    Case lost{"step lost to rounding", with({{"red", "mandel()"}, {"grn", "manc()"}}), 1, 0, 1, 1};
    lost.fields.push_back({"left", "1e17"});
    lost.fields.push_back({"top", "1e17"});
    lost.width = 31;
    cases.push_back(lost);
    Case movie{"movie",
               with({{"red", "mandel()*t + ?"}, {"grn", "manc()"}, {"blu", "noise(x, t)"}}), 1};
    movie.frames = 3;
    movie.width = 21;
    movie.height = 11;
    cases.push_back(movie);
    return cases;
}

constexpr int kThreadCounts[] = {1, 2, 3, 8};

void expectSameForEveryThreadCount(const Case& c) {
    const Outcome reference = renderCase(c, 0);
    for (int threads : kThreadCounts) {
        const Outcome o = renderCase(c, threads);
        EXPECT_EQ(o.pixels, reference.pixels) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.frames, reference.frames) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.passes, reference.passes) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.random, reference.random) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.memoCount, reference.memoCount) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.memoValue, reference.memoValue) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.memoX, reference.memoX) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.memoY, reference.memoY) << threads << " threads, " << describe(c);
        EXPECT_EQ(o.finished, reference.finished) << threads << " threads, " << describe(c);
    }
}

TEST(ParallelExactness, MemoAliasingAndDegeneratePlanes) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz); // the first use is checked in fresh processes below
    for (const Case& c : memoCases())
        expectSameForEveryThreadCount(c);
}

// Settings whose formulas all run in batches (no iteration function), at
// widths that need several batches per row and leave a partial one.
Case batchCase(std::mt19937& rng, int index) {
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    const std::vector<std::string> pieces = {
        "x*y",
        "x-y*?",
        "?",
        "? + ?*2",
        "sin(x*7)*cos(y*5)+sin(d*9)",
        "noise(x*4, y*4)",
        "turb(x*8, y*8)",
        "fbm(x*8, y*8, 0.5, 1, 2, 6)",
        "gturb3d(x, y, t)",
        "0/0",
        "x/y",
        "log(x) + a",
        "px - py*2",
        "rgb(x, ?, y)",
        "hsv(d*90, 200, ?*255)",
        "sample(x, y)",
        "r + g*b",
        "terpt(rgb(x, y, 1), hsv(d*100, 200, 255), ease(?))",
        "sx*sy + sz",
        "zebra(d*50, 16, 0, 0)*16",
        "t*? + n",
    };
    auto formula = [&] {
        std::string f = pick(pieces);
        if (rng() % 2) f += " + " + pick(pieces);
        return f;
    };
    const std::vector<std::vector<std::string>> regions = {
        {"-1", "-1", "2", "2"},   {"0.3", "0.2", "0", "1"},      {"0", "0", "0/0", "1"},
        {"1e17", "-1", "1", "2"}, {"-0.75", "0.1", "0.01", "0"},
    };
    Case c;
    c.name = "batch case " + std::to_string(index);
    const auto& region = regions[rng() % regions.size()];
    c.fields = {{"red", formula()},    {"grn", formula()},         {"blu", formula()},
                {"left", region[0]},   {"top", region[1]},         {"width", region[2]},
                {"height", region[3]}, {"min", pick({"-1", "0"})}, {"max", pick({"1", "40"})}};
    c.colormode = static_cast<int>(rng() % 4);
    c.oversample = static_cast<int>(rng() % 2);
    c.wrap = static_cast<int>(rng() % 2);
    c.cycle = static_cast<int>(rng() % 2);
    const int sizes[][2] = {{71, 5}, {33, 9}, {129, 3}, {1, 7}, {65, 4}, {97, 6}};
    const auto& size = sizes[rng() % 6];
    c.width = size[0];
    c.height = size[1];
    c.frames = rng() % 5 == 0 ? 3 : 1;
    return c;
}

TEST(ParallelExactness, BatchedFormulas) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    std::mt19937 rng(11);
#if defined(__SANITIZE_THREAD__)
    const int cases = 8;
#else
    const int cases = 40;
#endif
    for (int i = 0; i < cases; ++i) {
        const Case c = batchCase(rng, i);
        const auto settings = makeSettings(c.fields, c.colormode);
        ASSERT_TRUE(passCanBeSplit(*settings)) << describe(c); // the batched path runs
        expectSameForEveryThreadCount(c);
    }
}

// Iteration functions on rows wider than a segment, so segments end inside
// rows: the memo is worked out a row at a time, ahead of the segments'
// formulas. Planes whose points all differ along a row, all repeat (zero
// width), or repeat here and there (a step lost to rounding).
TEST(ParallelExactness, IterationFunctionsOnRowsOfSeveralSegments) {
    const Fields planes[] = {{{"left", "-2"}, {"width", "2.5"}},
                             {{"left", "-0.5"}, {"width", "0"}},
                             {{"left", "0.25"}, {"width", "1e-15"}}};
    const Fields common = {{"top", "-1.25"}, {"height", "2.5"}, {"min", "0"},      {"max", "30"},
                           {"p0", "-0.8"},   {"q0", "0.156"},   {"recurse", "300"}};
    const Fields formulas[] = {
        {{"red", "mandel()"}, {"grn", "julia()"}, {"blu", "manc()"}},
        {{"red", "man3() + ?"}, {"grn", "mandel()"}, {"blu", "dragon()*2"}},
        {{"red", "dragon()"}, {"grn", "man3()"}, {"blu", "x*y"}},
        {{"red", "rgb(julia(), man3(), ?)"}},
        {{"red", "cond(manc() > 1, mandel(), ?)"}},
    };
    const int sizes[][2] = {{65, 3}, {128, 2}, {200, 5}, {129, 17}};
    int index = 0;
    for (const Fields& f : formulas) {
        for (const auto& size : sizes) {
            Case c;
            c.name = "wide " + std::to_string(index);
            c.fields = planes[(index / 3) % 3];
            c.fields.insert(c.fields.end(), common.begin(), common.end());
            c.fields.insert(c.fields.end(), f.begin(), f.end());
            c.colormode = f.size() == 1 ? 3 : 1 + index % 2;
            c.oversample = index % 3 == 0;
            c.wrap = index % 2;
            c.width = size[0];
            c.height = size[1];
            c.frames = index % 7 == 3 ? 3 : 1;
            ++index;
            expectSameForEveryThreadCount(c);
        }
    }
}

// Pictures large enough that passes hold bands of several sizes, up to the
// render's own fewest pixels per band, and passes of a single band.
TEST(ParallelExactness, BandsOfSeveralSizes) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    std::mt19937 rng(77);
    const int fewest[] = {0, 700, 3000};
    const int sizes[][2] = {{131, 97}, {203, 61}, {90, 120}};
#if defined(__SANITIZE_THREAD__)
    const int cases = 3;
#else
    const int cases = 9;
#endif
    for (int i = 0; i < cases; ++i) {
        Case c = i % 2 == 0 ? randomCase(rng, i) : batchCase(rng, i);
        c.width = sizes[i % 3][0];
        c.height = sizes[i % 3][1];
        c.frames = 1;
        c.minBandPixels = fewest[(i / 3) % 3];
        expectSameForEveryThreadCount(c);
    }
}

TEST(ParallelExactness, RandomSettings) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    std::mt19937 rng(20261208);
#if defined(__SANITIZE_THREAD__)
    const int cases = 12; // the same generator, fewer cases under ThreadSanitizer
#else
    const int cases = 60;
#endif
    for (int i = 0; i < cases; ++i)
        expectSameForEveryThreadCount(randomCase(rng, i));
}

// Passes that store only their own pixels, as trevalin-render's, finish with
// the picture, frames and state of passes that paint the preview's blocks.
// When a still's pass asks for a paint, the points of its grid (and so of
// every coarser one) show their final colours, even where passes overlap.
void expectPassesStoredWhole(const std::vector<std::vector<std::uint32_t>>& pictures,
                             const Outcome& o, const Case& c, const std::string& where) {
    ASSERT_EQ(pictures.size(), 5u) << where;
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        const int step = 16 >> k;
        int wrong = 0;
        for (int y = 0; y < c.height; y += step)
            for (int x = 0; x < c.width; x += step) {
                const std::size_t at = static_cast<std::size_t>(y) * c.width + x;
                wrong += pictures[k][at] != o.pixels[at];
            }
        EXPECT_EQ(wrong, 0) << "pass " << k + 1 << ", " << where;
    }
}

// Passes that store only their own pixels, overlapping on threads, leave the
// picture, frames and state of the one-pixel loop that paints the blocks.
// Returns the picture's digests at each paint request.
std::vector<std::uint64_t> expectSameWithoutBlocks(const Case& c, const Outcome& reference,
                                                   int threads) {
    const std::string where = std::to_string(threads) + " threads, " + describe(c);
    std::vector<std::vector<std::uint32_t>> pictures;
    Outcome o = renderCase(c, threads, false, &pictures);
    if (c.frames == 1) expectPassesStoredWhole(pictures, o, c, where);
    EXPECT_EQ(o.passes.size(), reference.passes.size()) << where;
    const std::vector<std::uint64_t> passes = o.passes;
    o.passes = reference.passes;
    EXPECT_EQ(o, reference) << where;
    return passes;
}

TEST(ParallelExactness, PassesWithoutPreviewBlocks) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    std::mt19937 rng(1208);
    for (int i = 0; i < 24; ++i) {
        Case c = i % 2 ? randomCase(rng, i) : batchCase(rng, i);
        if (i % 3 == 0) c.frames = 1; // stills, whose pass pictures are checked
        const Outcome reference = renderCase(c, 0);
        // The coarse passes show the unwritten colour between their pixels
        // (on threads the next passes, overlapping, may have stored theirs).
        const std::vector<std::uint64_t> passes = expectSameWithoutBlocks(c, reference, 0);
        if (c.width * c.height > 1) {
            EXPECT_NE(passes, reference.passes) << describe(c);
        }
        for (int threads : {2, 3, 8})
            expectSameWithoutBlocks(c, reference, threads);
    }
}

// The memo's aliasing and degenerate planes, on passes that overlap.
TEST(ParallelExactness, MemoAliasingWithoutPreviewBlocks) {
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    for (const Case& c : memoCases()) {
        const Outcome reference = renderCase(c, 0);
        for (int threads : {2, 3, 8})
            expectSameWithoutBlocks(c, reference, threads);
    }
}

// The first use of gradient noise reseeds the generator mid-render, once per
// process: each render runs in a child of its own that reports its outcome.
Outcome renderInFreshProcess(const Case& c, int threads) {
    const std::vector<std::uint64_t> words = wordsFromChild([&] {
        const Outcome o = renderCase(c, threads);
        std::vector<std::uint64_t> out = {o.pixels.size(),
                                          static_cast<std::uint64_t>(o.random),
                                          static_cast<std::uint64_t>(o.memoCount),
                                          o.memoValue,
                                          o.memoX,
                                          o.memoY,
                                          static_cast<std::uint64_t>(o.gradientBuilt),
                                          static_cast<std::uint64_t>(o.finished),
                                          o.frames.size()};
        for (std::uint32_t p : o.pixels)
            out.push_back(p);
        for (std::uint64_t f : o.frames)
            out.push_back(f);
        return out;
    });
    Outcome o;
    if (words.size() < 9) {
        ADD_FAILURE() << "no outcome from the child";
        return o;
    }
    const std::size_t pixels = words[0], frames = words[8];
    o.random = static_cast<std::int32_t>(words[1]);
    o.memoCount = static_cast<std::int32_t>(words[2]);
    o.memoValue = words[3];
    o.memoX = words[4];
    o.memoY = words[5];
    o.gradientBuilt = words[6] != 0;
    o.finished = words[7] != 0;
    if (words.size() != 9 + pixels + frames) {
        ADD_FAILURE() << "short outcome from the child";
        return o;
    }
    for (std::size_t i = 0; i < pixels; ++i)
        o.pixels.push_back(static_cast<std::uint32_t>(words[9 + i]));
    for (std::size_t i = 0; i < frames; ++i)
        o.frames.push_back(words[9 + pixels + i]);
    return o;
}

TEST(ParallelExactness, FirstUseOfGradientNoise) {
    const Fields plane = {{"left", "-1"},  {"top", "-1"}, {"width", "2"},
                          {"height", "2"}, {"min", "-1"}, {"max", "1"}};
    const Fields formulas[] = {
        {{"red", "gnoise3d(x*3, y*3, ?)"}},
        {{"red", "? + fbm(x, y, 0.5, 1, 2, 4)"}, {"grn", "?"}, {"blu", "gturb3d(x, y, ?)"}},
        {{"red", "?"}, {"grn", "mandel()"}, {"blu", "gnoise3d(x, y, t) + ?"}},
    };
    int index = 0;
    for (const Fields& f : formulas) {
        Case c;
        c.name = "gradient " + std::to_string(index);
        c.fields = plane;
        c.fields.insert(c.fields.end(), f.begin(), f.end());
        c.colormode = index == 0 ? 0 : 1;
        c.oversample = index == 1;
        c.frames = index == 2 ? 3 : 1;
        ++index;
        const Outcome reference = renderInFreshProcess(c, 0);
        EXPECT_TRUE(reference.gradientBuilt) << describe(c);
        for (int threads : kThreadCounts)
            EXPECT_TRUE(renderInFreshProcess(c, threads) == reference)
                << threads << " threads, " << describe(c);
    }
}

} // namespace
} // namespace trevalin
