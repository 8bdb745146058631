// The document: number formatting, zooms, frame counts, compile reports.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "formula/compiler.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"

#include "render/document.h"
#include "render/movie_check.h"
#include "render/movie_codecs.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;

TEST(Document, formatNumber) {
    struct Case {
        double value;
        const char* text;
        int digits;
    } cases[] = {
        {3.0, "3", 0},
        {-4.0, "-4", 0},
        {0.5, "0.5", 1},
        {-2.25, "-2.25", 2},
        {0.125, "0.125", 3},
        {0.00001, "0.00001", 5},
        {0.1, "0.1", 1},
        {1.0 / 3, "0.3333333333333333", 20},
        {2.6, "2.6", 20},
        {-0.7397064, "-0.7397064", 20},
        {0.0, "0", 0},
        // Deeper than twenty fraction digits: still the value itself, not 0.
        {1.5e-25, "0.00000000000000000000000015", 20},
        {1e17, "100000000000000000", 0},
    };
    for (const Case& c : cases) {
        FormulaSlot slot;
        Document::formatNumber(slot, c.value);
        EXPECT_STREQ(slot.text, c.text) << c.value;
        EXPECT_EQ(Document::fractionDigits(c.value), c.digits) << c.value;
    }
}

// Whatever a zoom writes compiles back to the very double it computed, over
// every magnitude a region can take.
TEST(Document, formattedNumbersCompileBackToTheSameDouble) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    std::uniform_int_distribution<int> exponent(-320, 300);
    auto context = std::make_unique<FormulaContext>();
    const FrameVariables vars{};
    std::vector<double> values = {0.1,
                                  0.2,
                                  0.3,
                                  1.0 / 3,
                                  -2.6,
                                  123456789.123456789,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::denorm_min(),
                                  -std::numeric_limits<double>::min()};
    for (int i = 0; i < 4000; ++i) {
        const double v = std::ldexp(mantissa(random), exponent(random));
        values.push_back(i % 2 ? -v : v);
        // Bit patterns of every kind of finite double, not only round-ish ones.
        double bits;
        const std::uint64_t word = random();
        std::memcpy(&bits, &word, sizeof bits);
        if (std::isfinite(bits)) values.push_back(bits);
    }
    for (double v : values) {
        FormulaSlot slot;
        Document::formatNumber(slot, v);
        const std::string text = slot.text;
        EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
        ASSERT_EQ(compileFormula(slot), 0) << text;
        const double back = evaluateFormula(*context, slot.code, vars);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text << " read back as " << back;
        // And no shorter text would do: one digit fewer reads back otherwise.
        const std::size_t point = text.find('.');
        if (point != std::string::npos && text.size() > point + 2) {
            FormulaSlot shorter;
            setFormulaText(shorter, text.substr(0, text.size() - 1).c_str());
            ASSERT_EQ(compileFormula(shorter), 0);
            const double cut = evaluateFormula(*context, shorter.code, vars);
            EXPECT_NE(cut, v) << text;
        }
    }
}

TEST(Document, NewDocumentIsAllZero) {
    Document doc;
    RenderSettings s;
    doc.getSettings(s);
    for (const FormulaKey& f : kFormulaKeys) {
        EXPECT_STREQ((s.*f.slot).text, "") << f.key;
        EXPECT_EQ((s.*f.slot).flags, 0) << f.key;
    }
    EXPECT_EQ(doc.imageWidth(), 256);
    EXPECT_EQ(doc.imageHeight(), 256);
    EXPECT_EQ(doc.image().width(), 256);
    EXPECT_EQ(doc.source(), nullptr);
}

struct ZoomCase {
    const char* name;
    int width, height, center;
    const char *left, *top, *regionWidth;
    bool zoomIn;
    double fx, fy;
    const char *newLeft, *newTop, *newWidth, *newHeight;
};

TEST(Document, Zooms) {
    const ZoomCase cases[] = {
        {"out, corner", 256, 256, 0, "-2", "-2", "4", false, 0, 0, "-4", "-4", "8", "8"},
        {"out, centre", 256, 256, 1, "0.5", "-1", "4", false, 0, 0, "0.5", "-1", "8", "8"},
        {"in at the middle, centre", 256, 256, 1, "0.5", "-1", "4", true, 0.5, 0.5, "0.5", "-1",
         "2", "2"},
        {"in at the middle, corner", 256, 256, 0, "-2", "-2", "4", true, 0.5, 0.5, "-1", "-1", "2",
         "2"},
        {"in at the top left, corner", 256, 256, 0, "0", "0", "4", true, 0, 0, "-1", "-1", "2",
         "2"},
        {"wide image out", 512, 256, 0, "0", "0", "4", false, 0, 0, "-2", "-1", "8", "4"},
        {"wide image in", 512, 256, 0, "0", "0", "4", true, 0.5, 0.5, "1", "0.5", "2", "1"},
        {"formula rewritten as a number", 256, 256, 0, "-1-1", "2*-1", "2+2", false, 0, 0, "-4",
         "-4", "8", "8"},
    };
    for (const ZoomCase& c : cases) {
        Document doc;
        ASSERT_TRUE(doc.setImageSize(c.width, c.height));
        auto s = makeSettings({{"left", c.left},
                               {"top", c.top},
                               {"width", c.regionWidth},
                               {"height", "12345"},
                               {"zoom", "3"},
                               {"recurse", "99"}});
        s->center = c.center;
        doc.setSettings(*s);
        if (c.zoomIn)
            doc.zoomRegionIn(c.fx, c.fy);
        else
            doc.zoomRegionOut();
        const RenderSettings& r = doc.settings();
        EXPECT_STREQ(r.left.text, c.newLeft) << c.name;
        EXPECT_STREQ(r.top.text, c.newTop) << c.name;
        EXPECT_STREQ(r.width.text, c.newWidth) << c.name;
        EXPECT_STREQ(r.height.text, c.newHeight) << c.name;
        EXPECT_STREQ(r.zoom.text, "3") << c.name;
        EXPECT_STREQ(r.recurse.text, "99") << c.name;
    }
}

TEST(Document, TwoOutsThenInAtTheCentreDoubleTheWidth) {
    Document doc;
    auto s = makeSettings({{"left", "-1"}, {"top", "-1"}, {"width", "2"}, {"height", "2"}});
    doc.setSettings(*s);
    doc.zoomRegionOut();
    doc.zoomRegionOut();
    doc.zoomRegionIn(0.5, 0.5);
    EXPECT_STREQ(doc.settings().width.text, "4");
    EXPECT_STREQ(doc.settings().left.text, "-2"); // centre stays at 0
    EXPECT_STREQ(doc.settings().top.text, "-2");
}

TEST(Document, FrameCounts) {
    struct Case {
        double duration, framerate;
        int n, frames;
    } cases[] = {
        {1.0, 10.0, -1, 10}, {2.5, 3.0, -1, 7}, {4, 15, 1, 1}, {0, 0, -1, 0}, {4, 15, 5, 5}};
    for (const Case& c : cases) {
        Document doc;
        auto s = makeSettings({});
        s->duration = c.duration;
        s->framerate = c.framerate;
        doc.setSettings(*s);
        doc.vars().frame = 3;
        doc.setFrameCount(c.n);
        EXPECT_EQ(doc.vars().frames, c.frames) << c.duration << " x " << c.framerate;
        EXPECT_EQ(doc.vars().frame, 0);
    }
}

TEST(Document, RecompileReportsEveryFailureAndCompilesTheRest) {
    Document doc;
    auto s = makeSettings({{"red", "x +"}, {"grn", "y"}, {"recurse", "("}, {"top", "1"}});
    std::memset(s->grn.code, 0x4F, sizeof s->grn.code); // stale code is replaced
    doc.setSettings(*s);
    ASSERT_EQ(doc.compileFailures().size(), 2u);
    EXPECT_STREQ(doc.compileFailures()[0].field, "red");
    EXPECT_EQ(doc.compileFailures()[0].message, "parse error");
    EXPECT_STREQ(doc.compileFailures()[1].field, "recurse");
    EXPECT_EQ(doc.settings().grn.code[0], 0x56);
    EXPECT_EQ(doc.settings().grn.code[2], 0x00);
    EXPECT_EQ(doc.settings().red.code[0], 0x00);
}

TEST(Document, ImageSizeOutsideTheLimitsChangesNothing) {
    Document doc;
    const int sizes[][2] = {{0, 10}, {10, 0}, {16001, 1}, {1, 16001}, {-5, 5}};
    for (const auto& size : sizes) {
        EXPECT_FALSE(doc.setImageSize(size[0], size[1])) << size[0] << "x" << size[1];
        EXPECT_EQ(doc.imageWidth(), 256);
        EXPECT_EQ(doc.image().height(), 256);
    }
    EXPECT_TRUE(doc.setImageSize(16000, 1));
    EXPECT_EQ(doc.image().width(), 16000);
}

TEST(Document, MovieFileAndSourcePathsAreCut) {
    Document doc;
    const std::string longPath(400, 'm');
    doc.setMovieFile(longPath.c_str());
    EXPECT_EQ(std::strlen(doc.settings().moviefile), 255u);
    doc.loadSourceImage("/nonexistent/source.bmp");
    EXPECT_STREQ(doc.settings().sourcefile, "/nonexistent/source.bmp");
    ASSERT_NE(doc.source(), nullptr);
    EXPECT_FALSE(doc.source()->hasData());
    EXPECT_EQ(doc.source()->fetchPixel(0, 0), 0u);
}

TEST(Document, MovieRefusals) {
    struct Case {
        double framerate, duration;
        int codec;
        bool refused;
    } cases[] = {{10, 1, 3, false},  {0, 1, 3, true},     {-5, 1, 3, true},
                 {10, 0.1, 3, true}, {10, 0.2, 3, false}, {10, 1, kMovieCodecCount, true},
                 {10, 1, -1, true},  {10, 1, 0, false}};
    for (const Case& c : cases) {
        auto s = makeSettings({});
        s->framerate = c.framerate;
        s->duration = c.duration;
        s->codec = c.codec;
        EXPECT_EQ(!movieRefusal(*s).empty(), c.refused)
            << c.framerate << " fps, " << c.duration << " s, codec " << c.codec;
    }
}

} // namespace
} // namespace trevalin
