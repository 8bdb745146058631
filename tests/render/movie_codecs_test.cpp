// The codec table against movie names: which extension each codec may write,
// and the refusal a render gets when the name promises another format.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/movie_check.h"
#include "render/movie_codecs.h"
#include "render/render_settings.h"
#include "render_test_support.h"

namespace trevalin {
namespace {

TEST(MovieCodecs, ExtensionMustMatchTheCodecsContainer) {
    struct Case {
        const char* codec;
        const char* path;
        bool accepted;
    } cases[] = {
        {"mjpa", "out.mov", true},  {"mjpa", "out.MOV", true},    {"mjpa", "out.mp4", false},
        {"raw", "out.webm", false}, {"h264", "out.mp4", true},    {"h264", "out.mov", false},
        {"vp9", "clip.WebM", true}, {"vp9", "clip.gif", false},   {"gif", "loop.gif", true},
        {"gif", "loop.mp4", false}, {"cinepak", "movie", true},   {"h264", "dir.d/movie", true},
        {"png", "frames/", true},   {"bmp", "frames.mov", false}, {"Motion JPEG B", "a.mov", true},
        {"H.264", "a.webm", false},
    };
    for (const Case& c : cases) {
        const int codec = movieCodecByName(c.codec);
        ASSERT_GE(codec, 0) << c.codec;
        const std::string why = codecPathMismatch(codec, c.path);
        EXPECT_EQ(why.empty(), c.accepted) << c.codec << " -> " << c.path << ": " << why;
        if (!c.accepted) {
            // The message names the codec and the format the name asks for.
            EXPECT_NE(why.find(kMovieCodecs[codec].name), std::string::npos) << why;
            const MovieContainerRow* named = containerOfPath(c.path);
            ASSERT_NE(named, nullptr);
            EXPECT_NE(why.find(named->extension), std::string::npos) << why;
        }
    }
}

TEST(MovieCodecs, EveryNameFindsItsRowWhateverTheCase) {
    for (int i = 0; i < kMovieCodecCount; ++i) {
        std::string upper = kMovieCodecs[i].shortName;
        for (char& ch : upper)
            ch = char(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(movieCodecByName(upper), i);
        EXPECT_EQ(movieCodecByName(kMovieCodecs[i].name), i);
        EXPECT_GE(firstCodecOf(kMovieCodecs[i].container), 0);
        EXPECT_LE(firstCodecOf(kMovieCodecs[i].container), i);
    }
    EXPECT_EQ(movieCodecByName("divx"), -1);
    EXPECT_EQ(movieCodecByName(""), -1);
}

TEST(MovieCodecs, RenderIsRefusedWhenTheMovieNameNamesAnotherFormat) {
    auto s = testing::makeSettings({});
    s->framerate = 10;
    s->duration = 1;
    s->codec = 3;
    std::strcpy(s->moviefile, "/tmp/out.mp4");
    const std::string refusal = movieRefusal(*s);
    EXPECT_NE(refusal.find("/tmp/out.mp4"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("Motion JPEG A"), std::string::npos) << refusal;
    s->codec = movieCodecByName("h264");
    EXPECT_EQ(movieRefusal(*s), "");
}

} // namespace
} // namespace trevalin
