// Sampling a source image at image-relative coordinates, clamped and tiled.
#include <gtest/gtest.h>

#include <limits>

#include "image/dib_image.h"

namespace trevalin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Each pixel names its own column (red) and row (green); blue tells a real
// pixel from "no pixel".
DibImage coordinateImage(int width, int height) {
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            image.row(r)[c] = static_cast<std::uint32_t>(c << 16 | r << 8 | 0x80);
    return image;
}

TEST(Sample, PicksTheCellUnderThePoint) {
    const DibImage square = coordinateImage(256, 256);
    const DibImage tall = coordinateImage(3, 5); // catches width and height swapped
    struct Case {
        const DibImage& image;
        double u, v;
        bool tile;
        int column, row; // -1: no pixel
    } cases[] = {
        {square, 0.5, 0.5, false, 128, 128}, {square, 1, 1, false, 255, 255},
        {square, 7, 3, false, 255, 255},     {square, -2, 0, false, 0, 0},
        {square, 0.25, 0.5, false, 64, 128}, {square, 1.25, 0.5, true, 64, 128},
        {square, -0.25, 0, true, 192, 0},    {square, -1, 0, true, 0, 0},
        {square, 2, 0, true, 0, 0},          {square, -0.75, -2.5, true, 64, 128},
        {square, -1e-20, 0, true, 255, 0}, // 1 - 1e-20 rounds to 1: the last column
        {square, 1e300, 0.5, true, 0, 128},  {square, kNaN, 0.5, false, 0, 128},
        {square, 0.5, kNaN, false, 128, 0},  {square, kInf, -kInf, false, 255, 0},
        {square, kNaN, 0.5, true, -1, -1},   {square, 0.5, kInf, true, -1, -1},
        {tall, 0.5, 0.5, false, 1, 2},       {tall, 1, 1, false, 2, 4},
        {tall, -0.1, 1.9, true, 2, 4},
    };
    for (const Case& c : cases) {
        const std::uint32_t pixel = c.image.sample(c.u, c.v, c.tile);
        const int column = pixel ? static_cast<int>(pixel & 0xFF) : -1;
        const int row = pixel ? static_cast<int>(pixel >> 8 & 0xFF) : -1;
        const auto what = ::testing::Message()
                          << (c.tile ? "samptile(" : "sample(") << c.u << ", " << c.v << ") on "
                          << c.image.width() << "x" << c.image.height();
        EXPECT_EQ(column, c.column) << what;
        EXPECT_EQ(row, c.row) << what;
    }
}

TEST(Sample, EmptyImageIsBlack) {
    const DibImage image;
    for (bool tile : {false, true})
        for (double u : {0.0, 0.5, 1.0, -3.0, kNaN})
            EXPECT_EQ(image.sample(u, u, tile), 0u) << u << " tile " << tile;
}

} // namespace
} // namespace trevalin
