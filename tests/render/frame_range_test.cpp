// Frame ranges of a movie against the whole movie: for generated movie
// settings (with "?", gradient noise, fractals, oversampling, every colour
// model), a render of frames A..B alone hands the writer the same frames as
// a render from frame 0. Every render runs in a fresh process, since the
// first use of gradient noise reseeds the generator once per process.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formula/noise.h"
#include "formula/random_state.h"
#include "render/frame_start.h"
#include "tests/render/child_process.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::Fields;
using testing::makeSettings;
using testing::Renderer;

// Keeps a digest of every frame handed to it, with the frame's index.
class IndexedDigests : public FrameSink {
  public:
    explicit IndexedDigests(std::vector<std::uint64_t>& out) : out_(out) {}
    void open(const MovieParams& p, ErrorReporter) override { index_ = p.firstFrame; }
    int addFrame(const DibImage& image) override {
        std::uint64_t h = 1469598103934665603ull;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                h = (h ^ image.row(y)[x]) * 1099511628211ull;
        out_.push_back(static_cast<std::uint64_t>(index_++));
        out_.push_back(h);
        return 1;
    }
    void finish() override {}
    void close() override {}

  private:
    std::vector<std::uint64_t>& out_;
    int index_ = 0;
};

struct MovieCase {
    std::string name;
    Fields fields;
    int colormode = 1, oversample = 0, cycle = 0, seamless = 0;
    int width = 13, height = 9, frames = 4;
    bool tableBuiltFirst = false; // the gradient table exists before the render
    bool memoDecidable = true;    // a range needs no frames before its first
};

std::string describe(const MovieCase& c) {
    std::ostringstream out;
    out << c.name << " [mode " << c.colormode << " over " << c.oversample << " cycle " << c.cycle
        << " seamless " << c.seamless << " " << c.width << "x" << c.height << " frames " << c.frames
        << " table " << c.tableBuiltFirst << "]";
    for (const auto& [k, v] : c.fields)
        out << " " << k << "=" << v;
    return out.str();
}

// In a child process: renders frames first..last (last -1: the whole movie)
// and sends back the start frame, then (index, digest) per frame.
std::vector<std::uint64_t> renderRange(const MovieCase& c, int first, int last) {
    return wordsFromChild([&] {
        if (c.tableBuiltFirst) {
            double gx, gy, gz;
            gradientEntry(0, gx, gy, gz);
        }
        std::vector<std::uint64_t> words;
        Renderer r;
        r.job.setThreadCount(1 + c.width % 3); // any thread count gives the same frames
        r.job.setFrameRange(first, last);
        std::vector<std::uint64_t> frames;
        r.job.setWriterFactory([&] { return std::make_unique<IndexedDigests>(frames); });
        if (!r.doc->setImageSize(c.width, c.height)) _exit(3);
        auto s = makeSettings(c.fields, c.colormode);
        s->oversample = c.oversample;
        s->cycle = c.cycle;
        s->seamless = c.seamless;
        if (!r.render(*s, c.frames)) _exit(4);
        words.push_back(static_cast<std::uint64_t>(r.job.startFrame()));
        words.insert(words.end(), frames.begin(), frames.end());
        return words;
    });
}

void expectRangesMatch(const MovieCase& c) {
    const std::vector<std::uint64_t> whole = renderRange(c, 0, -1);
    ASSERT_EQ(whole.size(), 1 + 2 * static_cast<std::size_t>(c.frames)) << describe(c);
    for (int first = 1; first < c.frames; ++first) {
        const int last = first + 1 < c.frames ? first + 1 : first;
        const std::vector<std::uint64_t> part = renderRange(c, first, last);
        ASSERT_FALSE(part.empty()) << describe(c);
        if (c.memoDecidable) {
            EXPECT_EQ(part[0], static_cast<std::uint64_t>(first))
                << "rendered frames before the range " << first << ".." << last << ", "
                << describe(c);
        }
        const std::vector<std::uint64_t> expected(whole.begin() + 1 + 2 * first,
                                                  whole.begin() + 1 + 2 * (last + 1));
        const std::vector<std::uint64_t> got(part.begin() + 1, part.end());
        EXPECT_EQ(got, expected) << "range " << first << ".." << last << ", " << describe(c);
    }
}

// Movie settings from our own generator: colour formulas from pieces that
// touch the random state, the gradient table and the memo, over a plane
// that zooms and moves with the time.
MovieCase randomMovie(std::mt19937& rng, int index) {
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    const std::vector<std::string> pieces = {
        "?",
        "?*t",
        "mandel()",
        "manc()",
        "julia()",
        "man3()",
        "dragon()",
        "gnoise3d(x*3, y*3, t)",
        "fbm(x, y, t, 1, 2, 3)",
        "gturb3d(x, y, ?)",
        "noise(x*4, y*4)",
        "sin(x*7+n)",
        "rgb(x, ?, y)",
        "cond(mandel() > 9, ?, x)",
    };
    auto formula = [&] {
        std::string f = pick(pieces);
        if (rng() % 2) f += " + " + pick(pieces);
        return f;
    };
    MovieCase c;
    c.name = "movie " + std::to_string(index);
    c.fields = {{"red", formula()},
                {"grn", formula()},
                {"blu", formula()},
                {"left", pick({"-2", "-2 + ?*0.01", "-1.5 - t"})},
                {"top", "-1.25"},
                {"width", pick({"2.5", "2.5 + ?*0.1"})},
                {"height", "2.5"},
                {"zoom", pick({"1", "0.8", "1.25"})},
                {"min", "0"},
                {"max", pick({"1", "40"})},
                {"recurse", pick({"64", "64 + n*20"})},
                {"p0", "-0.8 + t*0.1"},
                {"q0", pick({"0.156", "0.156 + ?*0.01"})}};
    c.colormode = static_cast<int>(rng() % 4);
    c.oversample = static_cast<int>(rng() % 2);
    c.cycle = static_cast<int>(rng() % 2);
    c.seamless = static_cast<int>(rng() % 2);
    const int sizes[][2] = {{13, 9}, {17, 3}, {1, 5}, {6, 1}, {20, 17}};
    const auto& size = sizes[rng() % 5];
    c.width = size[0];
    c.height = size[1];
    c.frames = 3 + static_cast<int>(rng() % 3);
    c.tableBuiltFirst = rng() % 3 == 0;
    return c;
}

TEST(FrameRange, GeneratedMoviesMatchTheWholeMovie) {
    std::mt19937 rng(1412);
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    const int cases = 8;
#else
    const int cases = 40;
#endif
    for (int i = 0; i < cases; ++i)
        expectRangesMatch(randomMovie(rng, i));
}

// The cases where the start state needs care: the reseed by the first use of
// gradient noise at every place in a frame, draws in the per-frame formulas,
// and memos that the last pixel does not decide (then the range renders its
// way there, and still must match).
TEST(FrameRange, ReseedsAndUndecidedMemos) {
    const Fields plane = {{"left", "-2"},  {"top", "-1.25"}, {"width", "2.5"}, {"height", "2.5"},
                          {"min", "0"},    {"max", "40"},    {"zoom", "0.9"},  {"p0", "-0.8"},
                          {"q0", "0.156"}, {"recurse", "64"}};
    auto with = [&](Fields extra) {
        Fields f = plane;
        f.insert(f.end(), extra.begin(), extra.end());
        return f;
    };
    std::vector<MovieCase> cases = {
        {"reseed in red", with({{"red", "? + gnoise3d(x, y, t) + ?"}}), 0},
        {"reseed in blue after draws",
         with({{"red", "?*?"}, {"grn", "mandel() + ?"}, {"blu", "? + fbm(x, y, t, 1, 2, 3) + ?"}}),
         1, 1},
        {"reseed in a triple", with({{"red", "rgb(?, gturb3d(x, y, ?), manc())"}}), 3, 1},
        {"draws in the set-up",
         with({{"left", "-2 + ?*0.1"},
               {"q0", "?"},
               {"red", "julia() + ?"},
               {"grn", "dragon()"},
               {"blu", "?"}}),
         2},
        {"grey mandel", with({{"red", "mandel()"}}), 0, 1, 1},
        {"mandel then manc: manc never computes", with({{"red", "mandel()"}, {"grn", "manc()"}}), 1,
         0, 0, 0, 11, 7, 4, false, false},
        {"zero-width plane", with({{"width", "0"}, {"red", "mandel() + ?"}, {"grn", "manc()"}}), 1,
         0, 0, 0, 9, 5, 4, false, false},
        {"NaN plane", with({{"top", "0/0"}, {"red", "julia() + ?"}}), 0, 1, 0, 0, 7, 7, 3, false,
         false},
        {"one pixel", with({{"red", "mandel() + ?"}}), 0, 0, 0, 0, 1, 1, 4, false, false},
        {"fractal in the set-up", with({{"p0", "mandel()*0.01"}, {"red", "julia() + ?"}}), 0, 0, 0,
         0, 8, 8, 3, false, false},
        {"gradient noise in the set-up",
         with({{"left", "-2 + gnoise3d(t, 0.5, 0.5)"}, {"red", "? + mandel()"}}), 0, 0, 0, 0, 8, 6,
         3, false, false},
        {"gradient noise in the set-up, table built",
         with({{"left", "-2 + gnoise3d(t, 0.5, 0.5)"}, {"red", "? + mandel()"}}), 0, 0, 0, 0, 8, 6,
         3, true, true},
        {"no fractal, no draws", with({{"red", "x*y*t"}}), 0},
        // Each frame's first point is the last one's last: the first call hits
        // the memo and takes the count julia made with the previous parameter.
        {"frame starts on the memo point",
         with({{"left", "-0.5 + n*0.375"},
               {"top", "-0.25 + n*0.25"},
               {"width", "0.5"},
               {"height", "0.375"},
               {"zoom", "1"},
               {"p0", "-0.8 + t*0.3"},
               {"max", "20"},
               {"red", "julia()"},
               {"grn", "?"},
               {"blu", "julia()*2"}}),
         1, 0, 0, 0, 4, 3, 4},
    };
    for (const MovieCase& c : cases)
        expectRangesMatch(c);
}

// The jump ahead against stepping the generator draw by draw, with the reseed.
TEST(FrameRange, RandomStateAtFrameMatchesStepping) {
    struct Row {
        FrameDraws draws;
        bool builtAtStart;
    };
    const Row rows[] = {
        {{0, false, 0}, false},     {{7, false, 0}, false}, {{7, true, 0}, false},
        {{7, true, 3}, false},      {{7, true, 7}, false},  {{7, true, 3}, true},
        {{1000, true, 999}, false},
    };
    for (const Row& row : rows) {
        std::int32_t s = 12345;
        bool built = row.builtAtStart;
        std::uint64_t drawn = 0;
        for (int frame = 0; frame < 5; ++frame) {
            EXPECT_EQ(randomStateAtFrame(row.draws, 12345, row.builtAtStart, frame), s)
                << "frame " << frame << " per frame " << row.draws.perFrame << " before "
                << row.draws.beforeGradient;
            for (std::uint64_t d = 0; d < row.draws.perFrame; ++d, ++drawn) {
                if (!built && row.draws.gradient && drawn == row.draws.beforeGradient) {
                    s = 665;
                    for (int k = 0; k < 512; ++k)
                        s = RandomState::step(s);
                    built = true;
                }
                s = RandomState::step(s);
            }
            if (!built && row.draws.gradient && drawn == row.draws.beforeGradient) {
                // The call comes after the frame's last draw.
                s = 665;
                for (int k = 0; k < 512; ++k)
                    s = RandomState::step(s);
                built = true;
            }
        }
    }
}

} // namespace
} // namespace trevalin
