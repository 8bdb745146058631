// Damaged and hostile files load as empty images, without reading one byte
// outside the file.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "bmp_builder.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using test::BmpShape;
using test::Bytes;

// Loads from a block of exactly size bytes, so a sanitizer sees any read past it.
DibImage loadExact(const Bytes& bytes, std::size_t size) {
    const auto copy = std::make_unique<std::uint8_t[]>(size + (size == 0));
    std::copy_n(bytes.begin(), size, copy.get());
    DibImage image;
    image.loadFromBytes(copy.get(), size);
    return image;
}

void expectEmpty(const DibImage& image, const std::string& what) {
    EXPECT_FALSE(image.hasData()) << what;
    EXPECT_EQ(image.width() | image.height(), 0) << what;
    EXPECT_EQ(image.fetchPixel(0, 0) | image.sample(0.5, 0.5, false), 0u) << what;
}

Bytes paletted124() {
    BmpShape shape;
    shape.width = 3;
    shape.height = 2;
    shape.bits = 8;
    shape.infoSize = 124;
    shape.palette = {0x00FF0000, 0x0000FF00, 0x000000FF};
    return test::buildBmp(shape, {{0, 1, 2}, {2, 1, 0}});
}

Bytes direct24() { // 3 x 2, top-down, pixels at 54, 78 bytes
    BmpShape shape;
    shape.width = 3;
    shape.height = -2;
    return test::buildBmp(shape, {Bytes(9, 0x40), Bytes(9, 0x80)});
}

TEST(BmpDamaged, TruncatedAnywhereIsEmpty) {
    for (const Bytes& file : {paletted124(), direct24()}) {
        ASSERT_TRUE(loadExact(file, file.size()).hasData());
        for (std::size_t size = 0; size < file.size(); ++size)
            expectEmpty(loadExact(file, size),
                        "cut at " + std::to_string(size) + " of " + std::to_string(file.size()));
    }
}

TEST(BmpDamaged, LyingHeaderFieldsGiveEmptyImages) {
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        int bytes;
    } cases[] = {
        {"type MB", 0, 0x424D, 2},
        {"pixel offset at the end", 10, 78, 4},
        {"pixel offset far beyond", 10, 0xFFFFFFFF, 4},
        {"pixel offset inside the header", 10, 53, 4},
        {"info size 0", 14, 0, 4},
        {"core header", 14, 12, 4},
        {"info size past the pixels", 14, 41, 4},
        {"info size huge", 14, 0xFFFFFFFF, 4},
        {"width 0", 18, 0, 4},
        {"negative width", 18, 0xFFFFFFFD, 4},
        {"width beyond the data", 18, 5, 4},
        {"width huge", 18, 0x7FFFFFFF, 4},
        {"height 0", 22, 0, 4},
        {"height beyond the data", 22, 3, 4},
        {"height INT_MIN", 22, 0x80000000, 4},
        {"height 16001", 22, 16001, 4},
        {"height -16001", 22, static_cast<std::uint32_t>(-16001), 4},
        {"zero bits", 28, 0, 2},
        {"bits beyond the data", 28, 48, 2},
        {"bits 65535", 28, 0xFFFF, 2},
        {"RLE8", 30, 1, 4},
        {"RLE4", 30, 2, 4},
        {"bit fields without masks", 30, 3, 4},
        {"PNG", 30, 5, 4},
    };
    for (const Case& c : cases) {
        Bytes file = direct24();
        (c.bytes == 2 ? test::put16 : test::put32)(file, c.at, c.value);
        expectEmpty(loadExact(file, file.size()), c.name);
    }
}

// Geometry whose stride or data size overflows 32 bits.
TEST(BmpDamaged, OverflowingGeometryIsEmpty) {
    const std::int32_t cases[][3] = {
        {0x7FFFFFFF, 1, 32}, {0x20000000, 16, 32}, {0x10000000, 5, 16}, {0x7FFFFFFF, 16000, 1}};
    for (const auto& c : cases) {
        BmpShape shape;
        shape.width = c[0];
        shape.height = c[1];
        shape.bits = static_cast<std::uint16_t>(c[2]);
        const Bytes file = test::buildBmp(shape, {Bytes(4096, 0x55)});
        expectEmpty(loadExact(file, file.size()),
                    std::to_string(c[0]) + "x" + std::to_string(c[1]) + "x" + std::to_string(c[2]));
    }
}

TEST(BmpDamaged, RowLimitIs16000) {
    for (int height : {16000, -16000, 16001, -16001}) {
        BmpShape shape;
        shape.height = height;
        const Bytes file = test::buildBmp(shape, std::vector<Bytes>(16001, Bytes{1, 2, 3}));
        const DibImage image = loadExact(file, file.size());
        const bool fits = height == 16000 || height == -16000;
        EXPECT_EQ(image.height(), fits ? 16000 : 0) << height;
        EXPECT_EQ(image.fetchPixel(0, 15999), fits ? test::packed(3, 2, 1) : 0u) << height;
    }
}

// Random damage: whatever still loads describes only bytes the file holds,
// and reading all of it stays inside them.
TEST(BmpDamaged, RandomCorruptionStaysInBounds) {
    std::mt19937 random(20240611);
    const Bytes seeds[] = {paletted124(), direct24()};
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes file = seeds[round % 2];
        for (int i = 0, flips = 1 + random() % 4; i < flips; ++i) // mostly the headers
            file[random() % (random() % 4 ? 60 : file.size())] =
                static_cast<std::uint8_t>(random());
        if (random() % 8 == 0) file.resize(random() % (file.size() + 1));
        const DibImage image = loadExact(file, file.size());
        if (!image.hasData()) continue;
        ++loaded;
        ASSERT_LE(image.height(), kMaxImageRows) << "round " << round;
        EXPECT_LE(std::uint64_t{image.stride()} * image.height(), file.size()) << "round " << round;
        for (int r = -1; r <= image.height(); ++r)
            for (int c = -1; c <= image.width() && c < 64; ++c)
                EXPECT_EQ(image.fetchPixel(c, r) >> 24, 0u) << "round " << round;
        Bytes out;
        image.save(out);
    }
    EXPECT_GT(loaded, 100); // enough files survived to mean something
}

} // namespace
} // namespace trevalin
