// Movies written with encoding on a thread of its own are the same bytes as
// movies written on the render thread, while the render overwrites its frame
// as soon as the sink takes it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/dib_image.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"
#include "render/overlapped_frame_sink.h"

namespace trevalin {
namespace {

using movietest::readFile;
using movietest::TempDir;

void paintFrame(DibImage& image, int k) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.row(y)[x] = static_cast<std::uint32_t>((x * 7 + k * 40) & 0xFF) << 16 |
                              static_cast<std::uint32_t>((y * 5 + k * 3) & 0xFF) << 8 |
                              static_cast<std::uint32_t>((x * y + k * 17) & 0xFF);
}

// Writes frames frames through sink, reusing one image as the render does.
std::vector<std::string> writeMovie(FrameSink& sink, const MovieParams& params, int frames) {
    std::vector<std::string> messages;
    sink.open(params, [&](const std::string& m) { messages.push_back(m); });
    DibImage image;
    EXPECT_TRUE(image.create(params.width, params.height));
    for (int k = 0; k < frames; ++k) {
        paintFrame(image, k);
        EXPECT_EQ(sink.addFrame(image), 1) << "frame " << k;
    }
    sink.finish();
    sink.close();
    return messages;
}

TEST(OverlappedMovie, SameBytesAsWritingOnTheRenderThread) {
    struct Case {
        const char* file;
        int codec, depth, dither, colormode;
    } cases[] = {
        {"raw.mov", 0, 2, 0, 1},  {"rle.mov", 1, 1, 1, 1},  {"smc.mov", 2, 0, 0, 0},
        {"mjpa.mov", 3, 2, 0, 1}, {"mjpb.mov", 4, 2, 0, 1}, {"cvid.mov", 5, 2, 0, 1},
        {"anim.gif", 3, 2, 0, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        MovieParams p;
        p.width = 37;
        p.height = 21;
        p.codec = c.codec;
        p.depth = c.depth;
        p.dither = c.dither;
        p.colormode = c.colormode;
        p.framerate = 12;
        p.path = dir.file(std::string("direct-") + c.file);
        auto direct = makeMovieWriter();
        EXPECT_TRUE(writeMovie(*direct, p, 5).empty()) << c.file;
        p.path = dir.file(std::string("overlapped-") + c.file);
        OverlappedFrameSink overlapped(makeMovieWriter());
        EXPECT_TRUE(writeMovie(overlapped, p, 5).empty()) << c.file;
        const auto a = readFile(dir.file(std::string("direct-") + c.file));
        const auto b = readFile(dir.file(std::string("overlapped-") + c.file));
        EXPECT_FALSE(a.empty()) << c.file;
        EXPECT_TRUE(a == b) << c.file << ": " << a.size() << " vs " << b.size() << " bytes";
    }
}

} // namespace
} // namespace trevalin
