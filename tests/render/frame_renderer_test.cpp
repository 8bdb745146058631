// Colour indices and the colour models.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "formula/formula_context.h"
#include "render/frame_renderer.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;

FrameVariables rangeOf(double min, double max, int frame = 0) {
    FrameVariables v{};
    v.min = min;
    v.max = max;
    v.scale = 255 / (max - min);
    v.frame = frame;
    return v;
}

TEST(FrameRenderer, colourIndex) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int wrap, cycle, frame;
        int index;
    } cases[] = {
        {1, 0, 0, 0, 255},
        {0.5, 0, 0, 0, 127},
        {-3, 0, 0, 0, 0},
        {7, 0, 0, 0, 255},
        {nan, 0, 0, 0, 0},
        {inf, 0, 0, 0, 255},
        {-inf, 0, 0, 0, 0},
        {2, 1, 0, 0, 254},
        {-0.002, 1, 0, 0, 0},
        {-0.01, 1, 0, 0, 253},
        {nan, 1, 0, 0, 255},
        {inf, 1, 0, 0, 255},
        {-1.0 / 255, 1, 0, 0, 254},
        {-256.0 / 255, 1, 0, 0, 255},
        {-257.0 / 255, 1, 0, 0, 254},
        {250.0 / 255, 0, 1, 10, 4},
        {250.0 / 255, 1, 1, 10, 4},
        {0, 0, 1, 256, 0},
    };
    for (const Case& c : cases) {
        const FrameVariables v = rangeOf(0, 1, c.frame);
        EXPECT_EQ(colourIndex(c.value, v, c.wrap, c.cycle), c.index)
            << c.value << " wrap " << c.wrap << " cycle " << c.cycle << " frame " << c.frame;
    }
}

TEST(FrameRenderer, TripleIndexOfAScalarIsGrey) {
    const FrameVariables v = rangeOf(0, 255);
    const FormulaValue scalar = tripleIndex(FormulaValue{7, 7, 7, 0}, v, 0, 0);
    EXPECT_EQ(scalar.first, 7);
    EXPECT_EQ(scalar.third, 7);
    const FormulaValue triple = tripleIndex(FormulaValue{1, 2, 300, 1}, v, 0, 0);
    EXPECT_EQ(triple.second, 2);
    EXPECT_EQ(triple.third, 255);
}

struct ModelCase {
    const char* name;
    int colormode, oversample;
    const char *red, *grn, *blu;
    std::uint32_t colour;
};

TEST(FrameRenderer, ColourModels) {
    const ModelCase cases[] = {
        {"grey 200", 0, 0, "200", "", "", 0xC8C8C8},
        {"rgb", 1, 0, "10", "20", "30", 0x0A141E},
        {"hsv red", 2, 0, "0", "255", "255", 0xFF0000},
        {"hsv green", 2, 0, "85", "255", "255", 0x00FF00},
        {"hsv grey", 2, 0, "40", "0", "128", 0x808080},
        {"triplet", 3, 0, "rgb(1, 2, 3)", "", "", 0x010203},
        {"triplet of a scalar is grey", 3, 0, "200", "", "", 0xC8C8C8},
        {"triplet of hsv", 3, 0, "hsv(0, 255, 255)", "", "", 0xFF0000},
        {"unknown model is black", 7, 0, "200", "200", "200", 0},
        {"oversampled 0,1,1,1 rounds down", 0, 1, "(x > 0) or (y > 0)", "", "", 0},
        {"oversampled 0,4,4,4", 0, 1, "4 * ((x > 0) or (y > 0))", "", "", 0x030303},
        {"oversampled rgb", 1, 1, "4 * (x > 0)", "8 * (y > 0)", "1", 0x020401},
        {"oversampled triplet", 3, 1, "rgb(4 * (x > 0), 0, 255)", "", "", 0x0200FF},
    };
    for (const ModelCase& c : cases) {
        Document doc;
        auto s = makeSettings({{"red", c.red}, {"grn", c.grn}, {"blu", c.blu}}, c.colormode);
        s->oversample = c.oversample;
        doc.setSettings(*s);
        FrameVariables v = rangeOf(0, 255);
        v.xstep = v.ystep = 1;
        EXPECT_EQ(pixelColour(doc.context(), v, doc.settings()), c.colour) << c.name;
        EXPECT_EQ(v.x, 0) << c.name << ": x restored";
        EXPECT_EQ(v.y, 0) << c.name << ": y restored";
    }
}

} // namespace
} // namespace trevalin
