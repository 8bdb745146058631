// Reading well-formed BMP files of every depth and layout the loader accepts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "bmp_builder.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using test::BmpShape;
using test::Bytes;
using test::packed;

DibImage load(const Bytes& file) {
    DibImage image;
    image.loadFromBytes(file.data(), file.size());
    return image;
}

// expected lists the picture top row first.
void expectPicture(const DibImage& image, int width, const std::vector<std::uint32_t>& expected,
                   const std::string& what) {
    const int height = static_cast<int>(expected.size()) / width;
    ASSERT_EQ(image.width(), width) << what;
    ASSERT_EQ(image.height(), height) << what;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            EXPECT_EQ(image.fetchPixel(c, r), expected[r * width + c])
                << what << " at " << c << "," << r;
}

TEST(BmpLoad, DirectColourDepthsBothRowOrders) {
    struct Case {
        std::uint16_t bits;
        std::int32_t height;
        std::uint32_t infoSize;
    } cases[] = {{24, 2, 40}, {24, -2, 40}, {32, 2, 40}, {32, -2, 40}, {24, -2, 124}};
    for (const Case& c : cases) {
        BmpShape shape;
        shape.width = 2;
        shape.height = c.height;
        shape.bits = c.bits;
        shape.infoSize = c.infoSize;
        const Bytes first =
            c.bits == 24 ? Bytes{1, 10, 20, 2, 11, 21} : Bytes{1, 10, 20, 9, 2, 11, 21, 9};
        const Bytes second =
            c.bits == 24 ? Bytes{3, 12, 22, 4, 13, 23} : Bytes{3, 12, 22, 9, 4, 13, 23, 9};
        const std::uint32_t a = packed(20, 10, 1), b = packed(21, 11, 2), x = packed(22, 12, 3),
                            y = packed(23, 13, 4);
        // Bottom-up files store the bottom row first, top-down the top row.
        expectPicture(load(test::buildBmp(shape, {first, second})), 2,
                      c.height < 0 ? std::vector{a, b, x, y} : std::vector{x, y, a, b},
                      std::to_string(c.bits) + "-bit, height " + std::to_string(c.height) +
                          ", info " + std::to_string(c.infoSize));
    }
}

TEST(BmpLoad, SixteenBitChannelsWiden) {
    const std::uint32_t cases[][2] = {
        {0x7C00, packed(255, 0, 0)},  {0x0400, packed(15, 0, 0)},      {0x03E0, packed(0, 255, 0)},
        {0x0020, packed(0, 15, 0)},   {0x001F, packed(0, 0, 255)},     {0x0001, packed(0, 0, 15)},
        {0x0842, packed(16, 16, 16)}, {0x3DEF, packed(127, 127, 127)}, {0x8000, 0},
    };
    for (const auto& c : cases) {
        BmpShape shape;
        shape.bits = 16;
        const Bytes pixel = {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[0] >> 8)};
        EXPECT_EQ(load(test::buildBmp(shape, {pixel})).fetchPixel(0, 0), c[1])
            << std::hex << "word 0x" << c[0];
    }
}

// Tools write 108- and 124-byte headers; the palette follows whichever header
// the file has.
TEST(BmpLoad, PaletteFollowsTheInfoHeader) {
    for (std::uint32_t infoSize : {40u, 52u, 56u, 108u, 124u}) {
        BmpShape shape;
        shape.width = 4;
        shape.bits = 8;
        shape.infoSize = infoSize;
        shape.coloursUsed = 4;
        shape.palette = {0x00102030, 0x00405060, 0x00708090, 0x00A0B0C0};
        const DibImage image = load(test::buildBmp(shape, {{3, 2, 1, 0}}));
        expectPicture(image, 4,
                      {packed(0xA0, 0xB0, 0xC0), packed(0x70, 0x80, 0x90), packed(0x40, 0x50, 0x60),
                       packed(0x10, 0x20, 0x30)},
                      "info size " + std::to_string(infoSize));
        // What a display is handed: a plain 40-byte header, then the palette.
        const Bytes block(image.infoBlock(), image.infoBlock() + 44);
        EXPECT_EQ(test::get32(block, 0), 40u) << infoSize;
        EXPECT_EQ(test::get32(block, 40), 0x00102030u) << infoSize;
    }
}

TEST(BmpLoad, IndicesBeyondTheStoredPaletteAreBlack) {
    struct Case {
        const char* name;
        std::uint32_t coloursUsed;
        std::uint32_t entriesWritten;
        int lastColoured;
    } cases[] = {
        {"colours-used 2", 2, 4, 1},
        {"palette too short for colours-used", 200, 3, 2},
        {"palette too short for 256", 0, 3, 2},
        {"colours-used beyond 256", 1000, 4, 3},
        {"no palette", 0, 0, -1},
    };
    for (const Case& c : cases) {
        BmpShape shape;
        shape.width = 6;
        shape.bits = 8;
        shape.coloursUsed = c.coloursUsed;
        for (std::uint32_t i = 1; i <= c.entriesWritten; ++i)
            shape.palette.push_back(0x00010101 * i);
        const Bytes indices = {0, 1, 2, 3, 4, 255};
        const DibImage image = load(test::buildBmp(shape, {indices}));
        ASSERT_TRUE(image.hasData()) << c.name;
        for (int column = 0; column < 6; ++column) {
            const int i = indices[column];
            EXPECT_EQ(image.fetchPixel(column, 0),
                      i <= c.lastColoured ? packed(i + 1, i + 1, i + 1) : 0)
                << c.name << ", index " << i;
        }
    }
}

// Bit fields are read only where the masks are the plain layout; other masks
// would give wrong colours, so those files stay empty.
TEST(BmpLoad, BitFieldsOnlyInThePlainLayout) {
    struct Case {
        const char* name;
        std::uint16_t bits;
        std::uint32_t infoSize;
        std::vector<std::uint32_t> masks;
        Bytes pixel;
        std::uint32_t colour; // 0: refused
    } cases[] = {
        {"16-bit 5-5-5", 16, 40, {0x7C00, 0x03E0, 0x001F}, {0x00, 0x7C}, packed(255, 0, 0)},
        {"32-bit in a v5 header", 32, 124, {0xFF0000, 0xFF00, 0xFF}, {1, 2, 3, 0}, packed(3, 2, 1)},
        {"16-bit 5-6-5", 16, 108, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8}, 0},
        {"32-bit swapped", 32, 40, {0xFF, 0xFF00, 0xFF0000}, {1, 2, 3, 0}, 0},
        {"24-bit", 24, 40, {0xFF0000, 0xFF00, 0xFF}, {1, 2, 3}, 0},
        {"no room for masks", 32, 40, {}, {1, 2, 3, 0}, 0},
    };
    for (const Case& c : cases) {
        BmpShape shape;
        shape.bits = c.bits;
        shape.infoSize = c.infoSize;
        shape.compression = 3;
        shape.masks = c.masks;
        const DibImage image = load(test::buildBmp(shape, {c.pixel}));
        EXPECT_EQ(image.hasData(), c.colour != 0) << c.name;
        EXPECT_EQ(image.fetchPixel(0, 0), c.colour) << c.name;
    }
}

TEST(BmpLoad, UndecodedDepthsAreBlackButSized) {
    for (std::uint16_t bits : {1, 4, 48}) {
        BmpShape shape;
        shape.width = 5;
        shape.height = 3;
        shape.bits = bits;
        if (bits <= 8) shape.palette = std::vector<std::uint32_t>(1u << bits, 0x00FFFFFF);
        const Bytes row((5u * bits + 7) / 8, 0xFF);
        const DibImage image = load(test::buildBmp(shape, {row, row, row}));
        EXPECT_EQ(image.width() * image.height(), 15) << bits << " bits";
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                EXPECT_EQ(image.fetchPixel(c, r), 0u) << bits << " bits at " << c << "," << r;
        EXPECT_EQ(image.sample(0.5, 0.5, false) | image.sample(0.5, 0.5, true), 0u) << bits;
    }
}

// Only the bytes the rows need count: a wrong file-size field or bytes after
// the last row change nothing.
TEST(BmpLoad, SizeFieldAndTrailingBytesIgnored) {
    const std::uint32_t cases[][2] = {{0, 0}, {0xFFFFFFFF, 0}, {1, 100}};
    for (const auto& c : cases) {
        BmpShape shape;
        shape.width = 2;
        shape.fileSize = c[0];
        Bytes file = test::buildBmp(shape, {{1, 2, 3, 4, 5, 6}});
        file.resize(file.size() + c[1], 0xEE);
        EXPECT_EQ(load(file).fetchPixel(1, 0), packed(6, 5, 4)) << c[0] << ", " << c[1];
    }
}

TEST(BmpLoad, FromFilesReplacingTheOldImage) {
    const auto dir = std::filesystem::path(TREVALIN_BINARY_DIR) / "image-test-files" / "load";
    std::filesystem::create_directories(dir);
    BmpShape shape;
    shape.height = -2;
    const Bytes bytes = test::buildBmp(shape, {{1, 2, 3}, {4, 5, 6}});
    const auto good = dir / "good.bmp", cut = dir / "cut.bmp";
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::ofstream(cut, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size() - 1));

    DibImage image;
    image.load(good.string());
    expectPicture(image, 1, {packed(3, 2, 1), packed(6, 5, 4)}, "good file");
    for (const auto& bad : {cut, dir / "missing.bmp", dir}) {
        image.load(good.string());
        ASSERT_TRUE(image.hasData());
        image.load(bad.string());
        EXPECT_FALSE(image.hasData()) << bad;
        EXPECT_EQ(image.width(), 0) << bad;
    }
    std::filesystem::remove_all(dir);
}

TEST(BmpLoad, BundledSourceImageIsAColourful256Square) {
    const std::string path = std::string(TREVALIN_SOURCE_DIR) + "/data/source.bmp";
    DibImage image;
    image.load(path);
    ASSERT_EQ(image.width(), 256);
    ASSERT_EQ(image.height(), 256);
    EXPECT_EQ(image.bitsPerPixel(), 24);
    std::set<std::uint32_t> colours;
    for (int r = 0; r < 256; ++r)
        for (int c = 0; c < 256; ++c)
            colours.insert(image.fetchPixel(c, r));
    EXPECT_GT(colours.size(), 5000u);
    // It is the plain file this program writes itself.
    std::ifstream in(path, std::ios::binary);
    Bytes saved;
    image.save(saved);
    EXPECT_EQ(saved, Bytes(std::istreambuf_iterator<char>(in), {}));
}

} // namespace
} // namespace trevalin
