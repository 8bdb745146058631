// Formulas reading the source image: the variables r g b c s l (the pixel
// under the sample), red/green/blue at a point, and sample/samptile.
#include <gtest/gtest.h>

#include "eval_support.h"
#include "formula/source_image.h"
#include "formula/source_pixels.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using namespace evaltest;

// A 256 x 256 image whose pixel (column, row) has red = column, green = row
// and blue = 7, so a read shows which pixel it took.
class SourcePixels : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(image_.create(256, 256));
        for (int row = 0; row < 256; ++row)
            for (int column = 0; column < 256; ++column)
                image_.row(row)[column] = static_cast<std::uint32_t>(column << 16 | row << 8 | 7);
        vars_.source = image_.sourceView();
    }

    DibImage image_;
    FrameVariables vars_;
};

TEST_F(SourcePixels, VariablesReadThePixelUnderTheSample) {
    struct Case {
        std::int32_t px, py, pw, ph;
        double red, green; // -1: the read falls outside (all 0)
    } cases[] = {
        {0, 0, 256, 256, 0, 0},
        {100, 10, 512, 128, 50, 20}, // column 256*100/512, row 256*10/128
        {255, 255, 256, 256, 255, 255},
        {3, 1, 4, 3, 192, 85},      // 768/4, 256/3 truncated
        {256, 0, 256, 256, -1, -1}, // column 256 is outside
        {-1, 0, 256, 256, -1, -1},  // -256/256 = -1: outside
        {-1, 0, 512, 256, 0, 0},    // -256/512 truncates to column 0
        {5, 5, 0, 256, -1, -1},     // no width: nothing to divide by
        {5, 5, 256, 0, -1, -1},
        {-8388608, 0, -1, 256, -1, -1}, // 256 * -2^23 = INT32_MIN, / -1 overflows
        {16777217, 0, 2, 256, 128, 0},  // 256 * (2^24 + 1) wraps to 256 in 32 bits
    };
    for (const Case& c : cases) {
        vars_.px = c.px;
        vars_.py = c.py;
        vars_.pw = c.pw;
        vars_.ph = c.ph;
        const bool outside = c.red < 0;
        FormulaContext ctx;
        const std::string where = std::to_string(c.px) + "," + std::to_string(c.py) + " of " +
                                  std::to_string(c.pw) + "x" + std::to_string(c.ph);
        EXPECT_EQ(eval(ctx, "r", vars_), outside ? 0 : c.red) << where;
        EXPECT_EQ(eval(ctx, "g", vars_), outside ? 0 : c.green) << where;
        EXPECT_EQ(eval(ctx, "b", vars_), outside ? 0 : 7) << where;
        EXPECT_EQ(eval(ctx, "l", vars_), outside ? 0 : std::max({c.red, c.green, 7.0})) << where;
    }
}

TEST_F(SourcePixels, ColourVariablesOfThePixel) {
    struct Case {
        std::uint32_t rgb; // 0x00RRGGBB as stored
        double c, s, l;
    } cases[] = {
        {0xFF0000, 0, 255, 255},
        {0x00FF00, 85, 255, 255},
        {0x0000FF, 170, 255, 255},
        {0x808080, 0, 0, 128},
        {0xC86432, 14.166666666666668, 191.25, 200},
    };
    for (const Case& c : cases) {
        image_.row(9)[9] = c.rgb;
        vars_.px = 9;
        vars_.py = 9;
        vars_.pw = 256;
        vars_.ph = 256;
        FormulaContext ctx;
        EXPECT_NEAR(eval(ctx, "c", vars_), c.c, 1e-12) << std::hex << c.rgb;
        EXPECT_DOUBLE_EQ(eval(ctx, "s", vars_), c.s) << std::hex << c.rgb;
        EXPECT_EQ(eval(ctx, "l", vars_), c.l) << std::hex << c.rgb;
    }
}

TEST_F(SourcePixels, ChannelFunctionsReadAPointOfTheImage) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"red(0.5, 0.5)", 128},
        {"green(0.5, 0.25)", 64},
        {"blue(0.5, 0.5)", 7},
        {"r[0.5, 0.25]", 128},
        {"g[0.5, 0.25]", 64},
        {"b[0.1, 0.1]", 7},
        {"grn(0, 0.999)", 255},
        {"blu(0.2, 0.2)", 7},
        {"red(1, 0)", 0},            // column 256 is outside
        {"red(-0.001, 0)", 0},       // truncates toward zero: column 0 (red 0)
        {"green(-0.001, 0.5)", 128}, // ... and the row is read there
        {"green(0.5, -0.01)", 0},    // -2.56 truncates to row -2: outside
        {"red(x, 0)", 0},            // x is NaN: outside
        {"red(y, 0)", 0},            // y is 1e300
    };
    vars_.x = kNaN;
    vars_.y = 1e300;
    for (const Case& c : cases) {
        FormulaContext ctx;
        EXPECT_EQ(eval(ctx, c.text, vars_), c.expected) << c.text;
    }
    EXPECT_EQ(pixelAtPoint(image_.sourceView(), 0.5, 0.5), 0x0780'80u); // red in the low byte
}

TEST_F(SourcePixels, SampleAndTile) {
    struct Case {
        const char* text;
        double column, row;
    } cases[] = {
        {"sample(0.5, 0.5)", 128, 128},   {"samp(1, 1)", 255, 255},
        {"sample(7, 3)", 255, 255},       {"sample(-2, 0)", 0, 0},
        {"samptile(1.25, 0.5)", 64, 128}, {"sample(0.25, 0.5)", 64, 128},
        {"samptile(-0.25, 0)", 192, 0},   {"samptile(-1, 0)", 0, 0},
        {"samptile(2, 0)", 0, 0},         {"samptile(0.5, -0.75)", 128, 64},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        const FormulaValue v = run(ctx, c.text, vars_);
        EXPECT_EQ(v.isTriple, 1) << c.text;
        EXPECT_EQ(v.first, c.column) << c.text; // red
        EXPECT_EQ(v.second, c.row) << c.text;   // green
        EXPECT_EQ(v.third, 7) << c.text;        // blue
    }
}

TEST(SourcePixelsAbsent, EverythingReadsBlack) {
    FrameVariables vars;
    vars.px = 3;
    vars.py = 4;
    vars.pw = 10;
    vars.ph = 10;
    const char* zero[] = {"r",
                          "g",
                          "b",
                          "c",
                          "s",
                          "l",
                          "red(0.5, 0.5)",
                          "green(0, 0)",
                          "blue(0.1, 0.9)",
                          "r[0.5, 0.5]",
                          "sample(0.5, 0.5) + 0"};
    for (const char* text : zero) {
        FormulaContext ctx;
        EXPECT_EQ(eval(ctx, text, vars), 0) << text;
    }
    for (const char* text : {"sample(0.5, 0.5)", "samptile(-3, 2)"}) {
        FormulaContext ctx;
        const FormulaValue v = run(ctx, text, vars);
        EXPECT_EQ(v.isTriple, 1) << text;
        EXPECT_EQ(v.first, 0) << text;
        EXPECT_EQ(v.second, 0) << text;
        EXPECT_EQ(v.third, 0) << text;
    }
    // An image whose file could not be read is empty: black everywhere too.
    DibImage empty;
    vars.source = empty.sourceView();
    FormulaContext ctx;
    EXPECT_EQ(eval(ctx, "r + g + b + c + s + l + red(0, 0) + (sample(0, 0) + 0)", vars), 0);
}

// A view filled in by hand, without the bitmap class: every layout, stored
// top-down and bottom-up, reads the same 2 x 2 picture of red = 10 * column +
// row + 1, green = 20, blue = 30 (16-bit: 5-bit channels 2 * column + row + 1,
// 4, 6, widened).
TEST(SourcePixelsView, EveryLayoutBothRowOrders) {
    struct Case {
        SourceLayout layout;
        std::vector<std::uint8_t> topRow, bottomRow; // one row each, with padding
    };
    const std::uint8_t pal[4 * 4] = {30, 20, 1, 0, 30, 20, 2, 0, 30, 20, 11, 0, 30, 20, 12, 0};
    const auto word555 = [](int red, int green, int blue) {
        const int w = red << 10 | green << 5 | blue;
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(w),
                                         static_cast<std::uint8_t>(w >> 8)};
    };
    const auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {SourceLayout::Palette8, {0, 2, 0, 0}, {1, 3, 0, 0}},
        {SourceLayout::Rgb555, join(word555(1, 4, 6), word555(3, 4, 6)),
         join(word555(2, 4, 6), word555(4, 4, 6))},
        {SourceLayout::Bgr24, {30, 20, 1, 30, 20, 11, 0, 0}, {30, 20, 2, 30, 20, 12, 0, 0}},
        {SourceLayout::Bgrx32, {30, 20, 1, 0, 30, 20, 11, 0}, {30, 20, 2, 0, 30, 20, 12, 0}},
    };
    const auto widen = [](std::uint32_t c) { return c * 8 + ((c & 1) ? 7 : 0); };
    for (const Case& k : cases)
        for (bool topDown : {true, false}) {
            const auto stride = static_cast<std::ptrdiff_t>(k.topRow.size());
            const std::vector<std::uint8_t> stored =
                topDown ? join(k.topRow, k.bottomRow) : join(k.bottomRow, k.topRow);
            SourceImage view;
            view.layout = k.layout;
            view.palette = pal;
            view.width = 2;
            view.height = 2;
            view.topRow = topDown ? stored.data() : stored.data() + stride;
            view.rowStride = topDown ? stride : -stride;
            const std::string what = "layout " + std::to_string(static_cast<int>(k.layout)) +
                                     (topDown ? " top-down" : " bottom-up");
            for (int row = 0; row < 2; ++row)
                for (int column = 0; column < 2; ++column) {
                    std::uint32_t red = static_cast<std::uint32_t>(10 * column + row + 1),
                                  green = 20, blue = 30;
                    if (k.layout == SourceLayout::Rgb555) {
                        red = widen(static_cast<std::uint32_t>(2 * column + row + 1));
                        green = widen(4);
                        blue = widen(6);
                    }
                    EXPECT_EQ(view.fetchPixel(column, row), red | green << 8 | blue << 16)
                        << what << " at " << column << "," << row;
                }
            for (const auto& [column, row] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 2}})
                EXPECT_EQ(view.fetchPixel(column, row), 0u) << what << " outside";
            // Formulas read the same view: blue(x, y) at the bottom-right pixel.
            FrameVariables vars;
            vars.source = &view;
            FormulaContext ctx;
            EXPECT_EQ(eval(ctx, "red(0.75, 0.75)", vars),
                      k.layout == SourceLayout::Rgb555 ? widen(4) : 12)
                << what;
            view.layout = SourceLayout::None;
            EXPECT_EQ(view.fetchPixel(0, 0), 0u) << what << " as None";
        }
}

} // namespace
} // namespace trevalin
