// The preset a PNG carries: every bundled preset survives the trip through
// the chunk text, and hostile chunk texts are refused with a reason.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "presets/picture_preset.h"
#include "presets/presets_file.h"

namespace trevalin {
namespace {

TEST(PicturePreset, EveryBundledPresetReadsBackFromItsChunk) {
    const PresetsReadResult bundled =
        readPresetsFile(std::string(TREVALIN_SOURCE_DIR) + "/data/presets.txt");
    ASSERT_EQ(bundled.status, PresetsReadStatus::Read);
    int count = 0;
    bundled.tree.forEachPreset([&](const PresetNode& node, const std::string& path) {
        RenderSettings settings = *node.makeSettings();
        settings.time = 37;
        const std::string text = pictureChunkText(node.name(), settings, 640, 7);
        const PicturePreset back = readPictureChunk(text);
        ASSERT_EQ(back.error, "") << path;
        ASSERT_TRUE(back.settings) << path;
        EXPECT_EQ(back.name, node.name());
        EXPECT_EQ(back.width, 640);
        EXPECT_EQ(back.height, 7);
        EXPECT_EQ(back.settings->time, 37);
        EXPECT_TRUE(back.warnings.empty()) << path;
        // Written again, the text is the same: nothing was lost on the way.
        EXPECT_EQ(pictureChunkText(back.name, *back.settings, 640, 7), text) << path;
        EXPECT_EQ(std::strcmp(back.settings->red.text, settings.red.text), 0) << path;
        ++count;
    });
    EXPECT_GE(count, 24);
}

TEST(PicturePreset, HostileTextsAreRefusedWithAReason) {
    const std::string good = "size 4x4\ntime 0\nPRESET p\n  red x\nENDPRESET\n";
    struct Case {
        const char* name;
        std::string text;
        const char* reason; // part of the message
    } cases[] = {
        {"empty", "", "size and time"},
        {"truncated header", "size 4x", "size and time"},
        {"truncated preset", good.substr(0, good.size() - 12), "no complete preset"},
        {"no preset", "size 4x4\ntime 0\n", "no complete preset"},
        {"no header", "PRESET p\nENDPRESET\n", "size and time"},
        {"header with extra", "size 4x4y\ntime 0\nPRESET p\nENDPRESET\n", "size and time"},
        {"binary", std::string("size 4x4\ntime 0\n\0\x01PRESET p\nENDPRESET\n", 35), "binary"},
        {"escape", "size 4x4\ntime 0\n\x1b[2JPRESET p\nENDPRESET\n", "binary"},
        {"huge", "size 4x4\ntime 0\n" + std::string(kPictureChunkLimit, '#'), "bytes"},
        {"zero size", "size 0x4\ntime 0\nPRESET p\nENDPRESET\n", "out of range"},
        {"too wide", "size 16001x4\ntime 0\nPRESET p\nENDPRESET\n", "out of range"},
        {"negative", "size -4x4\ntime 0\nPRESET p\nENDPRESET\n", "size and time"},
        {"time", "size 4x4\ntime 101\nPRESET p\nENDPRESET\n", "out of range"},
        {"overflow", "size 99999999999x4\ntime 0\nPRESET p\nENDPRESET\n", "size and time"},
    };
    for (const Case& c : cases) {
        const PicturePreset p = readPictureChunk(c.text);
        EXPECT_NE(p.error.find(c.reason), std::string::npos) << c.name << ": " << p.error;
        EXPECT_FALSE(p.settings) << c.name;
    }
    EXPECT_EQ(readPictureChunk(good).error, "");
}

} // namespace
} // namespace trevalin
