// The render target: creating, resizing, writing blocks, reading back.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "bmp_builder.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using test::packed;

TEST(DibImage, CreateAcceptsOnlySizesTheRowTableHolds) {
    const int cases[][3] = {{1, 1, 1},       {16000, 1, 1},  {1, 16000, 1}, {0, 5, 0},
                            {5, 0, 0},       {-1, 5, 0},     {16001, 1, 0}, {1, 16001, 0},
                            {INT_MIN, 1, 0}, {1, INT_MAX, 0}};
    for (const auto& c : cases) {
        DibImage image;
        ASSERT_TRUE(image.create(3, 3));
        EXPECT_EQ(image.create(c[0], c[1]), c[2] == 1) << c[0] << "x" << c[1];
        EXPECT_EQ(image.width() * image.height(), c[2] ? c[0] * c[1] : 0) << c[0] << "x" << c[1];
    }
}

// The display takes the info block and pixels as they are: a 32-bit bottom-up
// header, rows stored bottom row first.
TEST(DibImage, CreatedLayoutIs32BitBottomUp) {
    DibImage image;
    ASSERT_TRUE(image.create(5, 3));
    const test::Bytes header(image.infoBlock(), image.infoBlock() + 40);
    const std::uint32_t fields[][2] = {{0, 40}, {4, 5}, {8, 3}, {16, 0}, {24, 2834}, {28, 2834}};
    for (const auto& f : fields)
        EXPECT_EQ(test::get32(header, f[0]), f[1]) << "offset " << f[0];
    EXPECT_EQ(image.bitsPerPixel(), 32);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(image.row(r)),
                  image.pixelData() + (2 - r) * image.stride())
            << "row " << r;
    image.row(2)[4] = 0x00112233;
    EXPECT_EQ(image.fetchPixel(4, 2), packed(0x11, 0x22, 0x33));
    const int outside[][2] = {{5, 0}, {0, 3}, {-1, 0}, {0, -1}, {INT_MIN, INT_MAX}};
    for (const auto& at : outside)
        EXPECT_EQ(image.fetchPixel(at[0], at[1]), 0u) << at[0] << "," << at[1];
    image.release();
    image.release();
    EXPECT_EQ(image.fetchPixel(4, 2), 0u);
}

TEST(DibImage, FillBlockIsClipped) {
    struct Case {
        int column, row, size;
        int left, top, right, bottom; // the square that changes, right/bottom exclusive
    } cases[] = {
        {8, 6, 16, 8, 6, 10, 8}, // (w-2, h-2): a 2x2 corner
        {3, 2, 4, 3, 2, 7, 6},
        {-3, -2, 5, 0, 0, 2, 3},
        {-5, -5, 100, 0, 0, 10, 8},
        {10, 0, 4, 0, 0, 0, 0},
        {2, 2, 0, 0, 0, 0, 0},
        {2, 2, -4, 0, 0, 0, 0},
        {INT_MAX, INT_MAX, INT_MAX, 0, 0, 0, 0},
        {INT_MIN, INT_MIN, INT_MAX, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_TRUE(image.create(10, 8));
        image.fillBlock(c.column, c.row, c.size, 0x00ABCDEF);
        for (int r = 0; r < 8; ++r)
            for (int col = 0; col < 10; ++col) {
                const bool inside = col >= c.left && col < c.right && r >= c.top && r < c.bottom;
                EXPECT_EQ(image.row(r)[col], inside ? 0x00ABCDEFu : 0u)
                    << "fill " << c.column << "," << c.row << " size " << c.size << " at " << col
                    << "," << r;
            }
    }
}

// Pixel words would run past the rows of a 24-bit image.
TEST(DibImage, FillBlockLeavesLoadedNon32BitImagesAlone) {
    test::BmpShape shape;
    shape.width = 3;
    const test::Bytes file = test::buildBmp(shape, {test::Bytes(9, 0x11)});
    DibImage image;
    image.loadFromBytes(file.data(), file.size());
    image.fillBlock(0, 0, 3, 0x00FFFFFF);
    EXPECT_EQ(image.fetchPixel(2, 0), packed(0x11, 0x11, 0x11));
}

TEST(DibImage, ResizeKeepsOldBytesOrRefuses) {
    const int cases[][3] = {{2, 2, 1}, {9, 7, 1}, {20, 1, 1}, {0, 4, 0}, {16001, 4, 0}, {4, -1, 0}};
    for (const auto& c : cases) {
        DibImage image;
        ASSERT_TRUE(image.create(6, 5));
        for (int r = 0; r < 5; ++r)
            for (int col = 0; col < 6; ++col)
                image.row(r)[col] = r * 6u + col + 1;
        const test::Bytes before(image.pixelData(), image.pixelData() + 6 * 5 * 4);
        const bool ok = c[2] == 1;
        ASSERT_EQ(image.resize(c[0], c[1]), ok) << c[0] << "x" << c[1];
        const int width = ok ? c[0] : 6, height = ok ? c[1] : 5;
        EXPECT_EQ(image.width(), width) << c[0] << "x" << c[1];
        EXPECT_EQ(image.height(), height) << c[0] << "x" << c[1];
        EXPECT_EQ(test::get32(test::Bytes(image.infoBlock(), image.infoBlock() + 40), 8),
                  static_cast<std::uint32_t>(height));
        const std::size_t kept = std::min<std::size_t>(before.size(), 4u * width * height);
        EXPECT_EQ(std::memcmp(image.pixelData(), before.data(), kept), 0) << c[0] << "x" << c[1];
        image.fillBlock(0, 0, 40, 0x00010203); // every row of the new geometry is writable
        EXPECT_EQ(image.fetchPixel(width - 1, height - 1), packed(1, 2, 3)) << c[0] << "x" << c[1];
    }
}

TEST(DibImage, ResizeOfAnEmptyOrLoadedImageMakesARenderTarget) {
    test::BmpShape shape;
    const test::Bytes file = test::buildBmp(shape, {{1, 2, 3}});
    DibImage empty, loaded;
    loaded.loadFromBytes(file.data(), file.size());
    for (DibImage* image : {&empty, &loaded}) {
        ASSERT_TRUE(image->resize(3, 2));
        EXPECT_EQ(image->bitsPerPixel(), 32);
        image->fillBlock(0, 0, 3, 0x00FFFFFF);
        EXPECT_EQ(image->fetchPixel(2, 1), 0x00FFFFFFu);
    }
}

} // namespace
} // namespace trevalin
