// MP4, WebM and GIF movies read back with ffprobe (codec, frame count, frame
// rate, duration) and ffmpeg (the pictures are near the frames given).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "image/dib_image.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

using movietest::TempDir;

std::string run(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), int(buffer.size()), pipe.get()))
        out += buffer.data();
    return out;
}

std::map<std::string, std::string> probe(const std::string& path) {
    const std::string text =
        run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=codec_name,width,height,nb_read_frames,r_frame_rate:format=format_name,"
            "duration -of default=nw=1 '" +
            path + "' 2>&1");
    std::map<std::string, std::string> fields;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

// Smooth colour that moves from frame to frame: fair to lossy codecs.
std::uint32_t colourAt(int x, int y, int k) {
    const int r = (x * 4 + k * 10) & 0xFF, g = (y * 5) & 0xFF, b = (128 + x - y + k * 3) & 0xFF;
    return std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}

TEST(SharedFormats, ProbeReadsCodecFrameCountRateAndDuration) {
    struct Case {
        const char* codec;
        const char* file;
        const char* codecName;
        const char* formatName;
        double framerate;
        int width, height;
        int frames;
        const char* rate; // r_frame_rate as ffprobe prints it
        double maxError;  // mean absolute error per channel of the decoded frames
    } cases[] = {
        {"h264", "m.mp4", "h264", "mov,mp4,m4a,3gp,3g2,mj2", 10, 64, 48, 12, "10/1", 6},
        {"h264", "odd.mp4", "h264", "mov,mp4,m4a,3gp,3g2,mj2", 25, 33, 21, 5, "25/1", 8},
        {"vp9", "m.webm", "vp9", "matroska,webm", 10, 64, 48, 12, "10/1", 6},
        {"vp9", "odd.webm", "vp9", "matroska,webm", 5, 31, 23, 4, "5/1", 8},
        {"gif", "m.gif", "gif", "gif", 10, 64, 48, 12, "10/1", 40},
    };
    for (const Case& c : cases) {
        TempDir dir;
        MovieParams p;
        p.codec = movieCodecByName(c.codec);
        p.width = c.width;
        p.height = c.height;
        p.framerate = c.framerate;
        p.colormode = 1;
        p.dither = 1;
        p.path = dir.file(c.file);
        std::string failure;
        auto writer = makeMovieWriter();
        writer->open(p, [&](const std::string& m) { failure += m; });
        std::vector<std::uint8_t> expected;
        for (int k = 0; k < c.frames && failure.empty(); ++k) {
            DibImage image;
            ASSERT_TRUE(image.create(c.width, c.height));
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const std::uint32_t colour = colourAt(x, y, k);
                    image.row(y)[x] = colour;
                    expected.push_back(std::uint8_t(colour >> 16));
                    expected.push_back(std::uint8_t(colour >> 8));
                    expected.push_back(std::uint8_t(colour));
                }
            EXPECT_EQ(writer->addFrame(image), 1) << c.file;
        }
        writer->finish();
        writer->close();
        ASSERT_EQ(failure, "") << c.file;
        EXPECT_EQ(dir.names(), std::vector<std::string>{c.file}) << "no temporary file is left";

        auto f = probe(p.path);
        EXPECT_EQ(f["codec_name"], c.codecName) << c.file;
        EXPECT_EQ(f["format_name"], c.formatName) << c.file;
        EXPECT_EQ(f["nb_read_frames"], std::to_string(c.frames)) << c.file;
        EXPECT_EQ(f["r_frame_rate"], c.rate) << c.file;
        EXPECT_NEAR(std::atof(f["duration"].c_str()), c.frames / c.framerate, 0.011) << c.file;
        // H.264 4:2:0 codes even sizes: an odd picture gains a repeated edge.
        const int codedWidth = std::string(c.codec) == "h264" ? (c.width + 1) / 2 * 2 : c.width;
        const int codedHeight = std::string(c.codec) == "h264" ? (c.height + 1) / 2 * 2 : c.height;
        EXPECT_EQ(f["width"], std::to_string(codedWidth)) << c.file;
        EXPECT_EQ(f["height"], std::to_string(codedHeight)) << c.file;

        const auto decoded = movietest::decodeMovie(p.path, dir.path());
        EXPECT_EQ(decoded.errors, "") << c.file;
        ASSERT_EQ(decoded.rgb.size(),
                  std::size_t(codedWidth) * std::size_t(codedHeight) * 3 * std::size_t(c.frames))
            << c.file;
        double total = 0;
        for (int k = 0; k < c.frames; ++k)
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width * 3; ++x) {
                    const std::size_t at =
                        ((std::size_t(k) * std::size_t(codedHeight) + std::size_t(y)) *
                         std::size_t(codedWidth)) *
                            3 +
                        std::size_t(x);
                    const std::size_t want =
                        ((std::size_t(k) * std::size_t(c.height) + std::size_t(y)) *
                         std::size_t(c.width)) *
                            3 +
                        std::size_t(x);
                    total += std::abs(int(decoded.rgb[at]) - int(expected[want]));
                }
        EXPECT_LT(total / double(expected.size()), c.maxError) << c.file;
    }
}

TEST(SharedFormats, UnwritablePathIsReportedWithItsReasonAndLeavesNothing) {
    TempDir dir;
    for (const char* codec : {"h264", "vp9", "gif"}) {
        MovieParams p;
        p.codec = movieCodecByName(codec);
        p.width = 16;
        p.height = 16;
        p.path = dir.file(std::string("missing/m.") + codec);
        std::string failure;
        auto writer = makeMovieWriter();
        writer->open(p, [&](const std::string& m) { failure += m; });
        writer->finish();
        writer->close();
        EXPECT_NE(failure.find(p.path), std::string::npos) << failure;
        EXPECT_NE(failure.find("No such file or directory"), std::string::npos) << failure;
        EXPECT_TRUE(dir.names().empty()) << codec;
    }
}

} // namespace
} // namespace trevalin
