// The movie writer end to end: files written through makeMovieWriter() and
// read back with ffprobe, ffmpeg and an atom reader.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "movie/colour_tables.h"
#include "movie/frame_reduction.h"
#include "movie/movie_format.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"

namespace trevalin {
namespace {

using movietest::decodeMovie;
using movietest::probeMovie;
using movietest::readFile;
using movietest::readMovieAtoms;
using movietest::TempDir;

const char* const kTags[] = {"raw ", "rle ", "smc ", "mjpa", "mjpb", "cvid"};

using Pixels = std::vector<std::uint32_t>; // 0x00RRGGBB, rows from the top

int triangle(int t) {
    t %= 510;
    return t < 256 ? t : 509 - t;
}

// frame k of a test movie: smooth ramps that move from frame to frame, so
// lossy codecs have something fair to code and no two frames are alike.
Pixels testPixels(int width, int height, int k, bool grey) {
    Pixels p(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t c;
            if (grey) {
                const std::uint32_t g = std::uint32_t(triangle(x * 8 + y * 3 + 25 * k));
                c = g * 0x010101u;
            } else {
                const int r = triangle(x * 255 / width * 2 + 20 * k);
                const int g = y * 255 / (height - 1);
                const int b = triangle(x * 6 + y * 4 + 30 * k);
                c = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
            }
            p[std::size_t(y) * std::size_t(width) + std::size_t(x)] = c;
        }
    return p;
}

DibImage toImage(const Pixels& p, int width, int height) {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.row(y)[x] = p[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    return image;
}

struct Written {
    std::vector<std::string> messages;
    std::vector<Pixels> frames;
    std::vector<int> addResults;
};

// Runs the writer as the render job does: open, addFrame per frame, finish, close.
Written writeMovie(const MovieParams& params, int frames, bool grey) {
    Written w;
    auto writer = makeMovieWriter();
    writer->open(params, [&](const std::string& m) { w.messages.push_back(m); });
    if (w.messages.empty()) {
        for (int k = 0; k < frames; ++k) {
            w.frames.push_back(testPixels(params.width, params.height, k, grey));
            w.addResults.push_back(
                writer->addFrame(toImage(w.frames.back(), params.width, params.height)));
        }
    }
    writer->finish();
    writer->close();
    return w;
}

std::string joined(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& m : v)
        s += "[" + m + "] ";
    return s;
}

// The picture a frame should decode to: the frame reduced to the movie's
// output depth, shown in full colour.
Pixels expectedPicture(const MovieParams& params, const Pixels& frame) {
    const MovieFormat format = chooseMovieFormat(params);
    Pixels out(frame.size());
    std::vector<Rgb555> words(frame.size());
    std::vector<std::uint8_t> indices(frame.size());
    switch (format.world) {
    case OutputWorld::Rgb32: return frame;
    case OutputWorld::Rgb555:
        reduceTo555(frame, params.width, params.dither != 0, words);
        for (std::size_t i = 0; i < frame.size(); ++i)
            out[i] = expand555(words[i]);
        return out;
    case OutputWorld::ColourIndex: {
        NearestColour nearest(standardColourTable());
        reduceToTable(frame, params.width, params.dither != 0, nearest, indices);
        for (std::size_t i = 0; i < frame.size(); ++i)
            out[i] = standardColourTable()[indices[i]];
        return out;
    }
    case OutputWorld::GreyIndex:
        reduceToGreyRamp(frame, indices);
        for (std::size_t i = 0; i < frame.size(); ++i)
            out[i] = greyRampTable()[indices[i]];
        return out;
    }
    return out;
}

std::vector<std::uint8_t> toRgb24(const std::vector<Pixels>& frames) {
    std::vector<std::uint8_t> rgb;
    for (const Pixels& f : frames)
        for (std::uint32_t c : f) {
            rgb.push_back(std::uint8_t(c >> 16));
            rgb.push_back(std::uint8_t(c >> 8));
            rgb.push_back(std::uint8_t(c));
        }
    return rgb;
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    if (sum == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

// Where two RGB24 streams first differ, for failure messages.
std::string firstDifference(const std::vector<std::uint8_t>& want,
                            const std::vector<std::uint8_t>& got, int width, int height) {
    if (want.size() != got.size())
        return "sizes " + std::to_string(want.size()) + " and " + std::to_string(got.size());
    for (std::size_t i = 0; i < want.size(); i += 3) {
        if (want[i] == got[i] && want[i + 1] == got[i + 1] && want[i + 2] == got[i + 2]) continue;
        const std::size_t pixel = i / 3, area = std::size_t(width) * std::size_t(height);
        char text[160];
        std::snprintf(text, sizeof text,
                      "frame %zu x %zu y %zu: want %02x%02x%02x got %02x%02x%02x", pixel / area,
                      pixel % area % std::size_t(width), pixel % area / std::size_t(width), want[i],
                      want[i + 1], want[i + 2], got[i], got[i + 1], got[i + 2]);
        return text;
    }
    return "none";
}

// ---------------------------------------------------------------------------
// Every codec at every depth and colour model.

struct FormatCase {
    int codec;
    int depth;
    int colormode;
    int dither;
    int width;
    int height;
    int sampleDepth; // the sample description's depth field
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
    return os << "codec " << c.codec << " (" << kTags[c.codec] << ") depth " << c.depth
              << " colormode " << c.colormode << " dither " << c.dither << " " << c.width << "x"
              << c.height;
}

std::vector<FormatCase> formatCases() {
    struct Row {
        int codec, depth, colormode;
        int depthWidth4, depthOddWidth; // expected depth field at 32 and 31 pixels wide
    };
    // 40 is the grey ramp, 8 an 8-bit picture with its colour table stored.
    // Animation keeps 8 bits only at widths that are multiples of 4.
    constexpr Row rows[] = {
        {0, 0, 0, 40, 40}, {0, 0, 1, 8, 8},   {0, 1, 1, 16, 16}, {0, 2, 1, 32, 32},
        {0, 7, 1, 16, 16}, {1, 0, 0, 40, 24}, {1, 0, 1, 8, 24},  {1, 1, 1, 16, 16},
        {1, 2, 1, 24, 24}, {2, 0, 0, 8, 8},   {2, 0, 1, 8, 8},   {2, 1, 1, 8, 8},
        {2, 2, 1, 8, 8},   {3, 0, 0, 24, 24}, {3, 0, 1, 24, 24}, {3, 1, 1, 24, 24},
        {3, 2, 1, 24, 24}, {4, 0, 0, 24, 24}, {4, 0, 1, 24, 24}, {4, 1, 1, 24, 24},
        {4, 2, 1, 24, 24}, {5, 0, 0, 40, 40}, {5, 0, 1, 24, 24}, {5, 1, 1, 24, 24},
        {5, 2, 1, 24, 24},
    };
    std::vector<FormatCase> cases;
    for (const Row& r : rows) {
        cases.push_back({r.codec, r.depth, r.colormode, 0, 32, 24, r.depthWidth4});
        cases.push_back({r.codec, r.depth, r.colormode, 0, 31, 23, r.depthOddWidth});
        // Dithering only changes reductions of colour frames.
        if (r.colormode != 0 && r.depth != 2)
            cases.push_back({r.codec, r.depth, r.colormode, 1, 32, 24, r.depthWidth4});
    }
    return cases;
}

class MovieFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(MovieFormats, WritesDecodableMovieOfTheDesignedShape) {
    const FormatCase c = GetParam();
    TempDir dir;
    MovieParams params;
    params.width = c.width;
    params.height = c.height;
    params.codec = c.codec;
    params.depth = c.depth;
    params.colormode = c.colormode;
    params.dither = c.dither;
    params.framerate = 7; // 85 units of 1/600 s per frame
    params.path = dir.file("movie.mov");
    const bool grey = c.colormode == 0;
    // Three frames, then finish: also what a render stopped after its third
    // frame leaves.
    constexpr int kFrames = 3;

    const Written w = writeMovie(params, kFrames, grey);
    ASSERT_TRUE(w.messages.empty()) << c << ": " << joined(w.messages);
    for (int r : w.addResults)
        EXPECT_EQ(r, 1) << c;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"movie.mov"}) << c;

    const auto probe = probeMovie(params.path);
    EXPECT_EQ(probe.errors, "") << c;
    EXPECT_EQ(probe.codecTag, kTags[c.codec]) << c;
    EXPECT_EQ(probe.timeBase, "1/600") << c;
    EXPECT_EQ(probe.width, c.width) << c;
    EXPECT_EQ(probe.height, c.height) << c;
    EXPECT_EQ(probe.frames, kFrames) << c;
    EXPECT_EQ(probe.durationTs, 85 * kFrames) << c;
    EXPECT_EQ(probe.pts, (std::vector<long long>{0, 85, 170})) << c;
    EXPECT_EQ(probe.durations, (std::vector<long long>{85, 85, 85})) << c;
    ASSERT_EQ(probe.flags.size(), std::size_t(kFrames)) << c;
    for (const std::string& f : probe.flags)
        EXPECT_EQ(f.substr(0, 1), "K") << c << " flags " << f;

    const auto atoms = readMovieAtoms(params.path);
    ASSERT_TRUE(atoms.found) << c;
    EXPECT_EQ(atoms.format, kTags[c.codec]) << c;
    EXPECT_EQ(atoms.depth, c.sampleDepth) << c;
    // An 8-bit picture carries its table (id 0); others name none (-1).
    EXPECT_EQ(atoms.colourTableId, c.sampleDepth == 8 ? 0 : -1) << c;
    EXPECT_EQ(atoms.movieTimeScale, 600) << c;
    EXPECT_EQ(atoms.mediaTimeScale, 600) << c;

    const auto decoded = decodeMovie(params.path, dir.path());
    EXPECT_EQ(decoded.status, 0) << c;
    EXPECT_EQ(decoded.errors, "") << c;
    std::vector<Pixels> expected;
    for (const Pixels& f : w.frames)
        expected.push_back(expectedPicture(params, f));
    const auto want = toRgb24(expected);
    ASSERT_EQ(decoded.rgb.size(), want.size()) << c;

    const bool lossless = c.codec <= 2;
    if (lossless) {
        EXPECT_TRUE(decoded.rgb == want)
            << c << ": " << firstDifference(want, decoded.rgb, c.width, c.height);
        // Grey frames come back as the very greys rendered, whatever the depth.
        if (grey) {
            EXPECT_TRUE(decoded.rgb == toRgb24(w.frames))
                << c << ": " << firstDifference(toRgb24(w.frames), decoded.rgb, c.width, c.height);
        }
    } else {
        // 8-bit colour has hard steps and dither noise that lossy coding
        // smooths; grey ramps are easy. Channel mix-ups land far below.
        const double bound = c.depth == 0 ? (grey ? 40 : 22) : 31;
        EXPECT_GE(psnr(want, decoded.rgb), bound) << c;
    }
}

INSTANTIATE_TEST_SUITE_P(AllCodecsAndDepths, MovieFormats, ::testing::ValuesIn(formatCases()));

// ---------------------------------------------------------------------------

TEST(MovieWriter, MotionJpegBDecodesLikeMotionJpegA) {
    struct Case {
        int depth, colormode, width, height;
    };
    const Case cases[] = {{2, 1, 32, 24}, {2, 1, 31, 23}, {1, 1, 31, 23},
                          {0, 1, 32, 24}, {0, 0, 31, 23}, {2, 1, 48, 40}};
    for (const Case& c : cases) {
        TempDir dir;
        std::vector<std::uint8_t> pictures[2];
        for (int b = 0; b < 2; ++b) {
            MovieParams params;
            params.width = c.width;
            params.height = c.height;
            params.depth = c.depth;
            params.colormode = c.colormode;
            params.codec = 3 + b;
            params.path = dir.file(b ? "b.mov" : "a.mov");
            const Written w = writeMovie(params, 2, c.colormode == 0);
            ASSERT_TRUE(w.messages.empty()) << joined(w.messages);
            const auto decoded = decodeMovie(params.path, dir.path());
            EXPECT_EQ(decoded.errors, "") << "codec " << params.codec << " depth " << c.depth;
            pictures[b] = decoded.rgb;
        }
        EXPECT_FALSE(pictures[0].empty());
        EXPECT_TRUE(pictures[0] == pictures[1])
            << "depth " << c.depth << " colormode " << c.colormode << " " << c.width << "x"
            << c.height << ": " << firstDifference(pictures[0], pictures[1], c.width, c.height);
    }
}

TEST(MovieWriter, EverySampleLastsTheFrameDuration) {
    struct Case {
        double framerate;
        int frames;
        long long duration; // trunc(600 / framerate)
    };
    const Case cases[] = {{10, 4, 60}, {7, 14, 85}, {29.97, 3, 20}, {0.5, 2, 1200}, {600, 3, 1}};
    for (const Case& c : cases) {
        TempDir dir;
        MovieParams params;
        params.width = 16;
        params.height = 8;
        params.codec = 0;
        params.framerate = c.framerate;
        params.path = dir.file("m.mov");
        const Written w = writeMovie(params, c.frames, false);
        ASSERT_TRUE(w.messages.empty()) << c.framerate << ": " << joined(w.messages);
        const auto probe = probeMovie(params.path);
        EXPECT_EQ(probe.frames, c.frames) << c.framerate;
        EXPECT_EQ(probe.durationTs, c.frames * c.duration) << c.framerate;
        ASSERT_EQ(probe.pts.size(), std::size_t(c.frames)) << c.framerate;
        for (int k = 0; k < c.frames; ++k) {
            EXPECT_EQ(probe.pts[std::size_t(k)], k * c.duration) << c.framerate << " frame " << k;
            EXPECT_EQ(probe.durations[std::size_t(k)], c.duration) << c.framerate << " frame " << k;
        }
    }
}

TEST(MovieWriter, RefusesParametersThatMakeNoMovie) {
    struct Case {
        double framerate;
        int codec;
        std::string message;
    };
    const Case cases[] = {
        {0, 3, "Frame rate must be above 0"},
        {-7, 3, "Frame rate must be above 0"},
        {std::numeric_limits<double>::quiet_NaN(), 0, "Frame rate must be above 0"},
        {600.5, 0, "Frame rate must be at most 600"},
        {std::numeric_limits<double>::infinity(), 0, "Frame rate must be at most 600"},
        {1e-9, 0, "Frame rate is too low"},
        {10, -1, "Unknown codec -1"},
        {10, kMovieCodecCount, "Unknown codec " + std::to_string(kMovieCodecCount)},
    };
    for (const Case& c : cases) {
        TempDir dir;
        MovieParams params;
        params.width = 32;
        params.height = 24;
        params.codec = c.codec;
        params.framerate = c.framerate;
        params.path = dir.file("m.mov");
        const Written w = writeMovie(params, 0, false);
        EXPECT_EQ(w.messages, std::vector<std::string>{c.message})
            << "rate " << c.framerate << " codec " << c.codec;
        EXPECT_TRUE(dir.names().empty()) << "rate " << c.framerate << " codec " << c.codec;
    }
}

TEST(MovieWriter, ReportsPathsItCannotWriteAndLeavesNoFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    struct Case {
        std::string path;
        std::string message;
    };
    const Case cases[] = {
        {dir.file("missing/m.mov"), "Can't Create Movie File: -2 (" + dir.file("missing/m.mov") +
                                        ": No such file or directory)"},
        {dir.file("folder"),
         "Can't Create Movie File: -21 (" + dir.file("folder") + ": Is a directory)"},
        {"", "Pathname conversion error: -22 (Invalid argument)"},
    };
    for (const Case& c : cases) {
        MovieParams params;
        params.width = 32;
        params.height = 24;
        params.path = c.path;
        const Written w = writeMovie(params, 2, false);
        EXPECT_EQ(w.messages, std::vector<std::string>{c.message}) << "'" << c.path << "'";
        EXPECT_EQ(dir.names(), std::vector<std::string>{"folder"}) << "'" << c.path << "'";
        EXPECT_TRUE(std::filesystem::is_empty(dir.file("folder"))) << "'" << c.path << "'";
    }
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(MovieWriter, ReplacesAnExistingFile) {
    TempDir dir;
    MovieParams params;
    params.width = 32;
    params.height = 24;
    params.path = dir.file("old.mov");
    writeText(params.path, std::string(100000, 'x'));
    const Written w = writeMovie(params, 2, false);
    ASSERT_TRUE(w.messages.empty()) << joined(w.messages);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"old.mov"});
    EXPECT_EQ(probeMovie(params.path).frames, 2);
    EXPECT_EQ(decodeMovie(params.path, dir.path()).errors, "");
}

TEST(MovieWriter, MovieWithoutFramesLeavesThePathAsItWas) {
    for (const bool existing : {false, true}) {
        TempDir dir;
        MovieParams params;
        params.width = 32;
        params.height = 24;
        params.path = dir.file("m.mov");
        if (existing) writeText(params.path, "keep me");
        const Written w = writeMovie(params, 0, false);
        EXPECT_TRUE(w.messages.empty()) << joined(w.messages);
        if (existing) {
            EXPECT_EQ(dir.names(), std::vector<std::string>{"m.mov"});
            const auto bytes = readFile(params.path);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep me");
        } else {
            EXPECT_TRUE(dir.names().empty());
        }
    }
}

TEST(MovieWriter, FrameSmallerThanTheMovieIsPaddedWithBlack) {
    TempDir dir;
    MovieParams params;
    params.width = 32;
    params.height = 24;
    params.codec = 0;
    params.path = dir.file("m.mov");
    const Pixels small = testPixels(16, 8, 0, false);
    auto writer = makeMovieWriter();
    std::vector<std::string> messages;
    writer->open(params, [&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(writer->addFrame(toImage(small, 16, 8)), 1);
    EXPECT_EQ(writer->addFrame(DibImage()), 1); // no pixels at all: black
    writer->finish();
    writer->close();
    ASSERT_TRUE(messages.empty()) << joined(messages);

    Pixels first(32 * 24, 0), second(32 * 24, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            first[std::size_t(y * 32 + x)] = small[std::size_t(y * 16 + x)];
    const auto want = toRgb24({first, second});
    const auto decoded = decodeMovie(params.path, dir.path());
    EXPECT_TRUE(decoded.rgb == want) << firstDifference(want, decoded.rgb, 32, 24);
}

} // namespace
} // namespace trevalin
