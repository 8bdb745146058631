// Movies written as a folder of numbered pictures: makeMovieWriter hands the
// frames-folder codecs to the factory it is given, and each picture reads back
// as the frame that went in.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "movie/movie_writer.h"
#include "movie_probe.h"
#include "presets/frame_files_writer.h"
#include "presets/png_file.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

using movietest::TempDir;

// Frame k: colours that differ in every channel from pixel to pixel and from
// frame to frame, so a swapped channel, row or frame shows.
DibImage framePicture(int width, int height, int k) {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.row(y)[x] = std::uint32_t((x * 37 + k * 91) & 255) << 16 |
                              std::uint32_t((y * 53 + k * 17) & 255) << 8 |
                              std::uint32_t((x * y + k * 5) & 255);
    return image;
}

struct FolderRun {
    std::vector<std::string> messages;
    std::vector<int> addResults;
};

std::unique_ptr<FrameSink> folderWriter(const MovieParams& params) {
    return makeFramesFolderWriter(params);
}

FolderRun writeFrames(const MovieParams& params, FramesFolderFactory factory, int frames) {
    FolderRun run;
    auto writer = makeMovieWriter(std::move(factory));
    writer->open(params, [&](const std::string& m) { run.messages.push_back(m); });
    if (run.messages.empty())
        for (int k = 0; k < frames; ++k)
            run.addResults.push_back(
                writer->addFrame(framePicture(params.width, params.height, k)));
    writer->finish();
    writer->close();
    return run;
}

// Every pixel of the picture in file as fetchPixel gives it (either depth).
std::vector<std::uint32_t> readBack(const std::string& file, bool png) {
    DibImage image;
    if (png) {
        std::string error;
        EXPECT_TRUE(readPngFile(file, image, error)) << error;
    } else {
        image.load(file);
    }
    std::vector<std::uint32_t> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.push_back(image.fetchPixel(x, y));
    return out;
}

std::vector<std::uint32_t> pixelsOf(const DibImage& image) {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.push_back(image.fetchPixel(x, y));
    return out;
}

struct FolderCase {
    const char* codec;
    int firstFrame; // a range's frames keep their numbers
    std::vector<std::string> names;
};

TEST(FramesFolder, EachFrameIsANumberedPictureThatReadsBack) {
    const FolderCase cases[] = {
        {"PNG frames", 0, {"frame_00000.png", "frame_00001.png", "frame_00002.png"}},
        {"BMP frames", 0, {"frame_00000.bmp", "frame_00001.bmp", "frame_00002.bmp"}},
        {"PNG frames", 98, {"frame_00098.png", "frame_00099.png", "frame_00100.png"}},
        {"BMP frames", 7, {"frame_00007.bmp", "frame_00008.bmp", "frame_00009.bmp"}},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(std::string(c.codec) + " from " + std::to_string(c.firstFrame));
        TempDir dir;
        MovieParams params;
        params.width = 13; // odd: BMP rows are padded
        params.height = 5;
        params.codec = movieCodecByName(c.codec);
        params.path = dir.path();
        params.firstFrame = c.firstFrame;
        const FolderRun run = writeFrames(params, folderWriter, 3);
        ASSERT_TRUE(run.messages.empty()) << run.messages.front();
        EXPECT_EQ(run.addResults, std::vector<int>({1, 1, 1}));
        ASSERT_EQ(dir.names(), c.names);
        const bool png = c.names[0].ends_with(".png");
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(readBack(dir.file(c.names[std::size_t(k)]), png),
                      pixelsOf(framePicture(params.width, params.height, k)))
                << c.names[std::size_t(k)];
    }
}

TEST(FramesFolder, WithoutAFactoryTheFolderCodecsAreRefused) {
    for (const char* codec : {"PNG frames", "BMP frames"}) {
        SCOPED_TRACE(codec);
        TempDir dir;
        MovieParams params;
        params.width = 8;
        params.height = 8;
        params.codec = movieCodecByName(codec);
        params.path = dir.path();
        const FolderRun run = writeFrames(params, {}, 2);
        ASSERT_EQ(run.messages.size(), 1u);
        EXPECT_EQ(run.messages[0], std::string(codec) +
                                       " are written by trevalin-render --frames, not into a "
                                       "movie file");
        EXPECT_TRUE(dir.names().empty());
    }
}

TEST(FramesFolder, AFileWhereTheFolderShouldBeIsReported) {
    TempDir dir;
    const std::string file = dir.file("taken");
    std::ofstream(file) << "not a folder";
    MovieParams params;
    params.width = 8;
    params.height = 8;
    params.codec = movieCodecByName("png");
    params.path = file;
    const FolderRun run = writeFrames(params, folderWriter, 2);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_NE(run.messages[0].find(file), std::string::npos) << run.messages[0];
    EXPECT_TRUE(run.addResults.empty());
}

TEST(FramesFolder, TheFirstFrameOfAnEarlierMovieIsFound) {
    struct Case {
        std::vector<std::string> present;
        std::string found;
    };
    const Case cases[] = {
        {{}, ""},
        {{"frame_00001.png", "notes.txt"}, ""}, // only a later frame: not a movie's start
        {{"frame_00000.bmp"}, "frame_00000.bmp"},
        {{"frame_00000.png"}, "frame_00000.png"},
        {{"frame_00000.bmp", "frame_00000.png"}, "frame_00000.png"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const std::string& name : c.present)
            std::ofstream(dir.file(name)) << "x";
        EXPECT_EQ(existingFirstFrame(dir.path()), c.found) << c.present.size() << " files";
    }
    EXPECT_EQ(existingFirstFrame("/nonexistent/folder"), "");
}

} // namespace
} // namespace trevalin
