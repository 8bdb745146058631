// Palettes made from the frames: exact for frames of up to 256 colours, close
// for richer ones (closer than the fixed 8-bit table), the same every time;
// and GIF movies that carry them decode to the frames given.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "movie/frame_palette.h"
#include "movie/frame_reduction.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"
#include "render/colour_word.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

using movietest::TempDir;

struct FrameCase {
    const char* name;
    int width, height;
    std::uint32_t (*colour)(int x, int y);
};

const FrameCase kFrames[] = {
    {"one colour", 7, 5, [](int, int) { return 0x123456u; }},
    {"black and white", 9, 9, [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0u; }},
    {"256 colours", 16, 16, [](int x, int y) { return colourWord(x * 17, y * 16, 255 - x * y); }},
    {"257 colours", 257, 1,
     [](int x, int) { return colourWord(x, 255 - x / 2, x == 256 ? 9 : 0); }},
    {"red ramp", 300, 2, [](int x, int y) { return colourWord(x * 255 / 299, y, 0); }},
    {"smooth", 64, 48, [](int x, int y) { return colourWord(x * 4, y * 5, 128 + x - y); }},
    {"noise", 61, 37,
     [](int x, int y) {
         std::uint32_t h = std::uint32_t(x) * 2654435761u ^ std::uint32_t(y) * 40503u;
         h ^= h >> 13;
         return (h * 2246822519u) & 0xFFFFFFu;
     }},
};

std::vector<std::uint32_t> pixels(const FrameCase& c) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            out.push_back(c.colour(x, y));
    return out;
}

double meanSquaredError(const std::vector<std::uint32_t>& frame, const ColourTable& table) {
    NearestColour nearest(table);
    double total = 0;
    for (std::uint32_t p : frame) {
        const std::uint32_t q = table[nearest.find(p)];
        const int dr = wordRed(p) - wordRed(q), dg = wordGreen(p) - wordGreen(q),
                  db = wordBlue(p) - wordBlue(q);
        total += dr * dr + dg * dg + db * db;
    }
    return total / double(frame.size());
}

TEST(FramePalette, ExactForFewColoursCloseForMany) {
    for (const FrameCase& c : kFrames) {
        const std::vector<std::uint32_t> frame = pixels(c);
        const ColourTable table = framePalette(frame);
        EXPECT_EQ(table, framePalette(frame)) << c.name << ": the same frame, the same table";
        const std::set<std::uint32_t> colours(frame.begin(), frame.end());
        if (colours.size() <= 256) {
            for (std::uint32_t p : colours)
                EXPECT_NE(std::find(table.begin(), table.end(), p), table.end())
                    << c.name << ": colour " << std::hex << p << " missing";
            EXPECT_EQ(meanSquaredError(frame, table), 0.0) << c.name;
        } else {
            // Every entry is a mean of frame colours: inside the frame's colour box.
            int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
            for (std::uint32_t p : colours) {
                const int v[3] = {wordRed(p), wordGreen(p), wordBlue(p)};
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], v[k]);
                    hi[k] = std::max(hi[k], v[k]);
                }
            }
            for (std::uint32_t e : table) {
                const int v[3] = {wordRed(e), wordGreen(e), wordBlue(e)};
                for (int k = 0; k < 3; ++k)
                    EXPECT_TRUE(v[k] >= lo[k] && v[k] <= hi[k]) << c.name << std::hex << " " << e;
            }
            EXPECT_LT(meanSquaredError(frame, table),
                      meanSquaredError(frame, standardColourTable()))
                << c.name << ": made for the frame, closer than the fixed table";
        }
    }
}

// A GIF of frames that each have their own 256 colours decodes to exactly
// those frames: every frame carries its own table.
TEST(FramePalette, GifFramesKeepTheirOwnColours) {
    TempDir dir;
    MovieParams p;
    p.codec = movieCodecByName("gif");
    p.width = 16;
    p.height = 16;
    p.framerate = 10;
    p.colormode = 1;
    p.dither = 1;
    p.path = dir.file("own.gif");
    std::string failure;
    auto writer = makeMovieWriter();
    writer->open(p, [&](const std::string& m) { failure += m; });
    std::vector<std::uint8_t> expected;
    const int frames = 5;
    for (int k = 0; k < frames && failure.empty(); ++k) {
        DibImage image;
        ASSERT_TRUE(image.create(p.width, p.height));
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const std::uint32_t colour = colourWord(x * 16 + k, y * 16 + 2 * k, 37 * k + x * y);
                image.row(y)[x] = colour;
                expected.push_back(std::uint8_t(wordRed(colour)));
                expected.push_back(std::uint8_t(wordGreen(colour)));
                expected.push_back(std::uint8_t(wordBlue(colour)));
            }
        EXPECT_EQ(writer->addFrame(image), 1);
    }
    writer->finish();
    writer->close();
    ASSERT_EQ(failure, "");
    const auto decoded = movietest::decodeMovie(p.path, dir.path());
    EXPECT_EQ(decoded.errors, "");
    ASSERT_EQ(decoded.rgb.size(), expected.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        differing += decoded.rgb[i] != expected[i];
    EXPECT_EQ(differing, 0u) << "bytes that differ from the frames given";
}

} // namespace
} // namespace trevalin
