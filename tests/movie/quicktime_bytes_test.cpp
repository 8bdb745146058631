// QuickTime files stay byte for byte what this writer has always produced, for
// every codec, depth, colour model and dither setting, at a width the 8-bit
// and padded codecs take directly and at one they must work around. The
// hashes were taken from the writer before other containers were added.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"

namespace trevalin {
namespace {

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::uint8_t c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

// Colour ramps that move between frames, with grey frames for colour mode 0.
DibImage pinFrame(int width, int height, int k, bool grey) {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t r = std::uint32_t((x * 37 + k * 50) & 0xFF);
            const std::uint32_t g = std::uint32_t((y * 29 + x * 3) & 0xFF);
            const std::uint32_t b = std::uint32_t((x * y * 7 + k * 90) & 0xFF);
            image.row(y)[x] = grey ? r * 0x010101u : r << 16 | g << 8 | b;
        }
    return image;
}

struct Pin {
    int codec, depth, colormode, dither, width;
    std::uint64_t hash;
};

// clang-format off
const Pin kPins[] = {
#include "quicktime_pins.inc"
};
// clang-format on

std::uint64_t movieHash(const Pin& pin, const std::string& path) {
    MovieParams p;
    p.width = pin.width;
    p.height = 10;
    p.codec = pin.codec;
    p.depth = pin.depth;
    p.colormode = pin.colormode;
    p.dither = pin.dither;
    p.framerate = 7;
    p.path = path;
    std::string failure;
    auto writer = makeMovieWriter();
    writer->open(p, [&](const std::string& m) { failure = m; });
    for (int k = 0; k < 3 && failure.empty(); ++k)
        writer->addFrame(pinFrame(p.width, p.height, k, pin.colormode == 0));
    writer->finish();
    writer->close();
    EXPECT_EQ(failure, "");
    return fnv1a(movietest::readFile(path));
}

TEST(QuickTimeBytes, EveryCodecAndDepthWritesTheSameFileAsBefore) {
    movietest::TempDir dir;
    const bool print = std::getenv("TREVALIN_PRINT_PINS") != nullptr;
    int index = 0;
    for (const Pin& pin : kPins) {
        const std::string path = dir.file("pin" + std::to_string(index++) + ".mov");
        const std::uint64_t hash = movieHash(pin, path);
        if (print)
            std::printf("{%d, %d, %d, %d, %d, 0x%016llxull},\n", pin.codec, pin.depth,
                        pin.colormode, pin.dither, pin.width,
                        static_cast<unsigned long long>(hash));
        EXPECT_EQ(hash, pin.hash) << "codec " << pin.codec << " depth " << pin.depth
                                  << " colormode " << pin.colormode << " dither " << pin.dither
                                  << " width " << pin.width;
    }
}

} // namespace
} // namespace trevalin
