#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "presets_test_support.h"

namespace trevalin {
namespace {

using presetstest::writeText;
using presetstest::zeroRecord;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Written out by hand from the line formats, not from the writer.
TEST(PresetsWriter, SmallTreeGivesTheseExactBytes) {
    auto mandel = zeroRecord();
    setFormulaText(mandel->red, "mandel(x,y)*255");
    setFormulaText(mandel->blu, "x");
    setFormulaText(mandel->min, "0");
    setFormulaText(mandel->max, "255");
    setFormulaText(mandel->left, "-2");
    setFormulaText(mandel->top, "-2");
    setFormulaText(mandel->width, "4");
    setFormulaText(mandel->height, "4");
    setFormulaText(mandel->zoom, "1");
    setFormulaText(mandel->recurse, "64");
    setFormulaText(mandel->p0, "0.25");
    mandel->colormode = 1;
    mandel->startwidth = 4.0;
    mandel->endwidth = 0.0000004;
    mandel->framerate = 25.0;
    mandel->duration = 2.5;
    mandel->depth = 2;
    mandel->priority = 1;
    mandel->codec = 3;
    mandel->wrap = 1;
    mandel->cycle = 1;
    mandel->center = 7; // any nonzero flag is written as 1
    mandel->oversample = 1;
    mandel->dither = 1;
    mandel->seamless = 1;
    mandel->lockswidth = 1;
    mandel->lockewidth = 1;
    std::strcpy(mandel->moviefile, "mandel.mov");
    mandel->time = 40;                        // never travels
    std::strcpy(mandel->sourcefile, "a.bmp"); // never travels

    PresetTree t;
    PresetNode* fractals = t.append(nullptr, PresetNode::makeCategory("Fractals"));
    t.append(fractals, PresetNode::makePreset("Mandel", *mandel));
    t.append(fractals, PresetNode::makeCategory("Empty"));
    PresetNode* deep = t.append(fractals, PresetNode::makeCategory("Deep"));
    t.append(deep, PresetNode::makePreset("Plain", *zeroRecord()));
    t.append(nullptr, PresetNode::makeCategory("Nothing"));

    const std::string expected = "# Automatically created\n"
                                 "CAT Fractals\n"
                                 "  PRESET Mandel\n"
                                 "    red mandel(x,y)*255\n"
                                 "    grn \n"
                                 "    blu x\n"
                                 "    min 0\n"
                                 "    max 255\n"
                                 "    left -2\n"
                                 "    top -2\n"
                                 "    width 4\n"
                                 "    height 4\n"
                                 "    zoom 1\n"
                                 "    recurse 64\n"
                                 "    p0 0.25\n"
                                 "    colormode 1\n"
                                 "    startwidth 4.000000\n"
                                 "    endwidth 0.000000\n"
                                 "    framerate 25.000000\n"
                                 "    duration 2.500000\n"
                                 "    depth 2\n"
                                 "    priority 1\n"
                                 "    codec 3\n"
                                 "    wrap 1\n"
                                 "    cycle 1\n"
                                 "    center 1\n"
                                 "    oversample 1\n"
                                 "    dither 1\n"
                                 "    seamless 1\n"
                                 "    lockswidth 1\n"
                                 "    lockewidth 1\n"
                                 "    moviefile mandel.mov\n"
                                 "  ENDPRESET\n"
                                 "CAT Deep\n"
                                 "  PRESET Plain\n"
                                 "    red \n"
                                 "    grn \n"
                                 "    blu \n"
                                 "    min \n"
                                 "    max \n"
                                 "    left \n"
                                 "    top \n"
                                 "    width \n"
                                 "    height \n"
                                 "    zoom \n"
                                 "    recurse \n"
                                 "    colormode 0\n"
                                 "    startwidth 0.000000\n"
                                 "    endwidth 0.000000\n"
                                 "    framerate 0.000000\n"
                                 "    duration 0.000000\n"
                                 "    depth 0\n"
                                 "    priority 0\n"
                                 "    codec 0\n"
                                 "  ENDPRESET\n"
                                 "ENDCAT\n"
                                 "ENDCAT\n";
    PresetsWriteResult r;
    std::ostringstream out;
    r = writePresets(t, out);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(out.str(), expected);
}

TEST(PresetsWriter, ValueLines) {
    struct Case {
        const char* what;
        std::function<void(RenderSettings&)> set;
        std::string line;
    };
    const Case cases[] = {
        {"formula written unchanged", [](RenderSettings& s) { setFormulaText(s.grn, "  a  b  "); },
         "\n    grn   a  b  \n"},
        {"q0 without p0", [](RenderSettings& s) { setFormulaText(s.q0, "-1"); },
         "\n    recurse \n    q0 -1\n    colormode 0\n"},
        {"negative numbers", [](RenderSettings& s) { s.colormode = -5, s.framerate = -1.5; },
         "\n    colormode -5\n    startwidth 0.000000\n    endwidth 0.000000\n"
         "    framerate -1.500000\n"},
        {"real rounding", [](RenderSettings& s) { s.endwidth = 2.0000005; },
         "\n    endwidth 2.000001\n"},
        {"large real in full", [](RenderSettings& s) { s.duration = 1e20; },
         "\n    duration 100000000000000000000.000000\n"},
        {"movie file with blanks",
         [](RenderSettings& s) { std::strcpy(s.moviefile, "my movies/a b.mov"); },
         "\n    moviefile my movies/a b.mov\n"},
        {"unterminated movie file stays in its field",
         [](RenderSettings& s) {
             // The fields after it hold no zero byte either.
             std::memset(s.moviefile, 'm', sizeof s.moviefile);
             std::memset(&s.dither, 's', 4 * sizeof s.dither);
         },
         "\n    moviefile " + std::string(256, 'm') + "\n"},
    };
    for (const Case& c : cases) {
        auto rec = zeroRecord();
        c.set(*rec);
        PresetTree t;
        t.append(nullptr, PresetNode::makePreset("p", *rec));
        std::string text = writeText(t);
        EXPECT_NE(text.find(c.line), std::string::npos) << c.what << "\n" << text;
    }
}

TEST(PresetsWriter, CategoriesWithoutPresetsAreLeftOut) {
    auto rec = zeroRecord();
    PresetTree t;
    t.append(nullptr, PresetNode::makeCategory("Empty"));
    PresetNode* outer = t.append(nullptr, PresetNode::makeCategory("Outer"));
    t.append(outer, PresetNode::makeCategory("Inner"));
    PresetNode* kept = t.append(nullptr, PresetNode::makeCategory("Kept"));
    t.append(kept, PresetNode::makeCategory("Hollow"));
    t.append(kept, PresetNode::makePreset("p", *rec));
    std::string text = writeText(t);
    EXPECT_EQ(count(text, "CAT "), 1u) << text;
    EXPECT_EQ(count(text, "ENDCAT"), 1u) << text;
    EXPECT_EQ(text.find("CAT Kept\n  PRESET p\n"), 24u) << text;
}

TEST(PresetsWriter, TwoPresetsOfOneNameAreBothWritten) {
    auto rec = zeroRecord();
    PresetTree t;
    t.append(nullptr, PresetNode::makePreset("same", *rec));
    t.append(nullptr, PresetNode::makePreset("same", *rec));
    EXPECT_EQ(count(writeText(t), "  PRESET same\n"), 2u);
}

TEST(PresetsWriter, ReportsWhatWillNotReadBackAsWritten) {
    struct Case {
        const char* what;
        std::function<void(PresetTree&)> build;
        std::string line;    // expected in the text
        std::string warning; // expected in one warning; empty: no warnings at all
    };
    auto preset = [](std::string name, std::function<void(RenderSettings&)> set = {}) {
        return [name, set](PresetTree& t) {
            auto rec = zeroRecord();
            if (set) set(*rec);
            t.append(nullptr, PresetNode::makePreset(name, *rec));
        };
    };
    auto inCategory = [](std::string cat) {
        return [cat](PresetTree& t) {
            PresetNode* c = t.append(nullptr, PresetNode::makeCategory(cat));
            t.append(c, PresetNode::makePreset("p", *zeroRecord()));
        };
    };
    const std::string long1011(1011, 'f'), long1012(1012, 'f'), long1023(1023, 'f');
    const Case cases[] = {
        {"plain", preset("p"), "  PRESET p\n", ""},
        {"category with a blank", inCategory("My Stuff"), "\nCAT My Stuff\n",
         "My Stuff: category name reads back as \"My\""},
        {"category with leading blanks", inCategory("  x"), "\nCAT   x\n", "reads back as \"x\""},
        {"category without a name", inCategory(""), "\nCAT \n", "reads back as \"Untitled\""},
        {"name of 63", preset(std::string(63, 'n')), "  PRESET " + std::string(63, 'n') + "\n", ""},
        {"name of 64", preset(std::string(64, 'n')), "  PRESET " + std::string(64, 'n') + "\n",
         "reads back cut at 63"},
        {"name of 300 written as 255", preset(std::string(300, 'n')),
         "  PRESET " + std::string(255, 'n') + "\n", "name cut at 255"},
        {"blank preset name", preset(" "), "  PRESET  \n", "reads back as \"Untitled\""},
        {"line end in a name", preset("a\nENDPRESET"), "  PRESET a ENDPRESET\n",
         "line ends written as blanks"},
        {"line end in a formula",
         preset("p", [](RenderSettings& s) { setFormulaText(s.red, "1\r\nCAT x"); }),
         "    red 1  CAT x\n", "red: line ends written as blanks"},
        {"tab in a formula", preset("p", [](RenderSettings& s) { setFormulaText(s.red, "a\tb"); }),
         "    red a\tb\n", "red holds a tab"},
        {"line of 1023",
         preset("p", [&](RenderSettings& s) { setFormulaText(s.recurse, long1011.c_str()); }),
         "    recurse " + long1011 + "\n", ""},
        {"line of 1024",
         preset("p", [&](RenderSettings& s) { setFormulaText(s.recurse, long1012.c_str()); }),
         "    recurse " + long1012 + "\n", "a line of 1024 characters reads back cut at 1023"},
        {"longest formula written whole",
         preset("p", [&](RenderSettings& s) { setFormulaText(s.min, long1023.c_str()); }),
         "    min " + long1023 + "\n", "a line of 1031 characters"},
    };
    for (const Case& c : cases) {
        PresetTree t;
        c.build(t);
        std::ostringstream out;
        PresetsWriteResult r = writePresets(t, out);
        EXPECT_TRUE(r.ok) << c.what;
        EXPECT_NE(out.str().find(c.line), std::string::npos) << c.what << "\n" << out.str();
        std::string all;
        for (const std::string& w : r.warnings)
            all += w + "\n";
        if (c.warning.empty()) {
            EXPECT_EQ(all, "") << c.what;
        } else {
            EXPECT_NE(all.find(c.warning), std::string::npos) << c.what << ": " << all;
        }
    }
}

TEST(PresetsWriter, AFailingStreamIsReported) {
    PresetTree t;
    t.append(nullptr, PresetNode::makePreset("p", *zeroRecord()));
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    PresetsWriteResult r = writePresets(t, out);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
}

} // namespace
} // namespace trevalin
