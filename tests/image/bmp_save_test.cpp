// Writing 24-bit BMP files: exact bytes, padding, round trips, replacing files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "bmp_builder.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using test::Bytes;

Bytes saved(const DibImage& image) {
    Bytes out;
    EXPECT_EQ(image.save(out), 1);
    return out;
}

TEST(BmpSave, ThreeByTwoIsTheDocumentedFile) {
    DibImage image;
    ASSERT_TRUE(image.create(3, 2));
    for (int c = 0; c < 3; ++c) {
        image.row(0)[c] = 0x00010203u * (c + 1); // top row
        image.row(1)[c] = 0x00A0B0C0u + c;       // bottom row
    }
    const Bytes expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file
                                                        // header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x0B, 0, 0,
        0x12, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                      // info header
        0xC0, 0xB0, 0xA0, 0xC1, 0xB0, 0xA0, 0xC2, 0xB0, 0xA0, 0, 0, 0, // bottom row first
        3, 2, 1, 6, 4, 2, 9, 6, 3, 0, 0, 0};
    EXPECT_EQ(saved(image), expected);
}

TEST(BmpSave, RowsArePaddedWithZeros) {
    const int cases[][3] = {{1, 1, 4}, {2, 3, 8}, {4, 1, 12}, {5, 3, 16}, {7, 2, 24}};
    for (const auto& c : cases) {
        DibImage image;
        ASSERT_TRUE(image.create(c[0], c[1]));
        image.fillBlock(0, 0, 64, 0x00FFFFFF);
        const Bytes file = saved(image);
        ASSERT_EQ(file.size(), 54u + c[2] * c[1]) << c[0] << "x" << c[1];
        EXPECT_EQ(test::get32(file, 2), file.size()) << c[0] << "x" << c[1];
        for (std::size_t i = 54; i < file.size(); ++i)
            EXPECT_EQ(file[i], (i - 54) % c[2] < 3u * c[0] ? 0xFF : 0)
                << c[0] << "x" << c[1] << " byte " << i;
    }
}

TEST(BmpSave, ColourSurvivesARoundTrip) {
    DibImage image;
    ASSERT_TRUE(image.create(2, 2));
    image.row(1)[0] = 0x00112233; // red 17, green 34, blue 51
    const Bytes file = saved(image);
    EXPECT_EQ((Bytes{file[54], file[55], file[56]}), (Bytes{51, 34, 17}));
    DibImage back;
    back.loadFromBytes(file.data(), file.size());
    EXPECT_EQ(back.fetchPixel(0, 1), 0x00332211u);
}

// A loaded image saves as a plain 24-bit file of the same picture, whatever
// layout it was read from.
TEST(BmpSave, LoadedImagesKeepTheirPicture) {
    test::BmpShape topDown, paletted, sixteen;
    topDown.width = paletted.width = sixteen.width = 2;
    topDown.height = -2;
    paletted.height = sixteen.height = 2;
    paletted.bits = 8;
    paletted.infoSize = 124;
    paletted.palette = {0x00FF0000, 0x0000FF00, 0x000000FF};
    sixteen.bits = 16;
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"top-down", test::buildBmp(topDown, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})},
        {"8-bit", test::buildBmp(paletted, {{0, 1}, {2, 1}})},
        {"16-bit", test::buildBmp(sixteen, {{0x00, 0x7C, 0xE0, 0x03}, {0x1F, 0x00, 0x21, 0x04}})},
    };
    for (const Case& c : cases) {
        DibImage loaded, back;
        loaded.loadFromBytes(c.file.data(), c.file.size());
        ASSERT_TRUE(loaded.hasData()) << c.name;
        const Bytes file = saved(loaded);
        EXPECT_EQ(test::get32(file, 22), 2u) << c.name; // positive height
        EXPECT_EQ(test::get32(file, 46), 0u) << c.name; // no palette
        back.loadFromBytes(file.data(), file.size());
        for (int r = 0; r < 2; ++r)
            for (int col = 0; col < 2; ++col)
                EXPECT_EQ(back.fetchPixel(col, r), loaded.fetchPixel(col, r))
                    << c.name << " at " << col << "," << r;
    }
}

TEST(BmpSave, NothingWithoutDecodablePixels) {
    test::BmpShape fourBit;
    fourBit.bits = 4;
    const Bytes file = test::buildBmp(fourBit, {{0x12}});
    DibImage never, fourBitImage;
    fourBitImage.loadFromBytes(file.data(), file.size());
    ASSERT_TRUE(fourBitImage.hasData());
    for (const DibImage* image : {&never, &fourBitImage}) {
        Bytes out{7};
        EXPECT_EQ(image->save(out), 0);
        EXPECT_EQ(out, Bytes{7});
    }
}

TEST(BmpSave, SaveFileReplacesWholeOrFails) {
    const auto dir = std::filesystem::path(TREVALIN_BINARY_DIR) / "image-test-files" / "save";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "sub");
    const auto path = dir / "picture.bmp";
    std::ofstream(path) << "an older, longer file that must disappear completely";
    DibImage image, empty;
    ASSERT_TRUE(image.create(5, 4));
    image.fillBlock(1, 1, 2, 0x00808080);

    ASSERT_TRUE(image.saveFile(path.string()));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), saved(image));
    EXPECT_FALSE(image.saveFile((dir / "missing" / "x.bmp").string()));
    EXPECT_FALSE(image.saveFile((dir / "sub").string())); // a folder is in the way
    EXPECT_FALSE(empty.saveFile((dir / "empty.bmp").string()));
    // Only the picture and the folder: no temporary or empty files left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace trevalin
