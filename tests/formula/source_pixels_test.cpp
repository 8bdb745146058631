// Formulas reading the source image: the variables r g b c s l (the pixel
// under the sample), red/green/blue at a point, and sample/samptile.
#include <gtest/gtest.h>

#include "eval_support.h"
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
        vars_.source = &image_;
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
    EXPECT_EQ(pixelAtPoint(&image_, 0.5, 0.5), 0x0780'80u); // red in the low byte
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
    vars.source = &empty;
    FormulaContext ctx;
    EXPECT_EQ(eval(ctx, "r + g + b + c + s + l + red(0, 0) + (sample(0, 0) + 0)", vars), 0);
}

} // namespace
} // namespace trevalin
