// The view formulas read a source image through: one view, taken once, keeps
// showing what the image holds through every create, resize, load and release.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bmp_builder.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using test::BmpShape;
using test::Bytes;

// Every pixel of the view, and a ring around it, against fetchPixel's
// answer computed from the row table of a 32-bit image or from the expected
// picture of a loaded one.
void expectViewMatches(const DibImage& image, const std::function<std::uint32_t(int, int)>& pixel,
                       const std::string& what) {
    const SourceImage* view = image.sourceView();
    ASSERT_EQ(view->width, image.hasData() ? image.width() : 0) << what;
    ASSERT_EQ(view->height, image.hasData() ? image.height() : 0) << what;
    for (int r = -1; r <= image.height(); ++r)
        for (int c = -1; c <= image.width(); ++c) {
            const bool inside =
                image.hasData() && c >= 0 && r >= 0 && c < image.width() && r < image.height();
            EXPECT_EQ(view->fetchPixel(c, r), inside ? pixel(c, r) : 0u)
                << what << " at " << c << "," << r;
        }
}

// A 32-bit row word 0x00RRGGBB as fetchPixel packs it: red lowest.
std::uint32_t fromWord(std::uint32_t word) {
    return test::packed(word >> 16 & 0xFF, word >> 8 & 0xFF, word & 0xFF);
}

TEST(SourceView, FollowsTheImageThroughEveryChange) {
    DibImage image;
    const SourceImage* view = image.sourceView();
    expectViewMatches(image, nullptr, "before create");

    const auto fromRows = [&](int c, int r) { return fromWord(image.row(r)[c]); };
    ASSERT_TRUE(image.create(3, 2));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            image.row(r)[c] = static_cast<std::uint32_t>(0x102030 * (c + 1) + 0x050000 * r);
    expectViewMatches(image, fromRows, "created 3x2");

    ASSERT_TRUE(image.resize(5, 4));
    image.fillBlock(1, 1, 2, 0x00ABCDEF);
    expectViewMatches(image, fromRows, "resized to 5x4");

    // 24-bit rows stored top-down, then an 8-bit palette image stored bottom-up.
    BmpShape topDown;
    topDown.width = 2;
    topDown.height = -2;
    const Bytes file24 = test::buildBmp(topDown, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    image.loadFromBytes(file24.data(), file24.size());
    const std::uint32_t picture24[2][2] = {{test::packed(3, 2, 1), test::packed(6, 5, 4)},
                                           {test::packed(9, 8, 7), test::packed(12, 11, 10)}};
    expectViewMatches(
        image, [&](int c, int r) { return picture24[r][c]; }, "24-bit top-down");

    BmpShape paletted;
    paletted.width = 3;
    paletted.height = 2;
    paletted.bits = 8;
    paletted.palette = {0x112233, 0x445566, 0x778899};
    const Bytes file8 = test::buildBmp(paletted, {{0, 1, 2}, {2, 1, 0}});
    image.loadFromBytes(file8.data(), file8.size());
    const std::uint32_t colours[3] = {test::packed(0x11, 0x22, 0x33),
                                      test::packed(0x44, 0x55, 0x66),
                                      test::packed(0x77, 0x88, 0x99)};
    const int indices[2][3] = {{2, 1, 0}, {0, 1, 2}}; // top row first: stored last
    expectViewMatches(
        image, [&](int c, int r) { return colours[indices[r][c]]; }, "8-bit bottom-up");

    const Bytes damaged(file8.begin(), file8.end() - 1);
    image.loadFromBytes(damaged.data(), damaged.size());
    expectViewMatches(image, nullptr, "after a damaged file");

    ASSERT_TRUE(image.create(2, 2));
    image.release();
    expectViewMatches(image, nullptr, "released");
    EXPECT_EQ(view, image.sourceView()); // the same view all along
}

} // namespace
} // namespace trevalin
