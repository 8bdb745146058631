#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <locale.h>

#include "presets_test_support.h"

namespace trevalin {
namespace {

using presetstest::describe;
using presetstest::readText;

std::string nested(int depth) {
    std::string s;
    for (int i = 1; i <= depth; ++i)
        s += "CAT c" + std::to_string(i) + "\n";
    return s;
}

std::string closing(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "ENDCAT\n";
    return s;
}

std::string chain(int depth) {
    std::string s;
    for (int i = 1; i <= depth; ++i)
        s += "c" + std::to_string(i) + "{";
    return s;
}

TEST(PresetsReader, Structure) {
    struct Case {
        std::string text;
        std::string shape;
    };
    const Case cases[] = {
        {"", ""},
        {"CAT A\nPRESET a\nENDPRESET\nENDCAT\nPRESET b\nENDPRESET\n", "A{a},b"},
        // CAT takes one word; PRESET the rest of the line, blanks included.
        {"CAT My Stuff\nPRESET Blue  Sky\t2\nENDPRESET\nENDCAT\n", "My{Blue  Sky\t2}"},
        {"PRESET\tTabbed\nENDPRESET\n", "Tabbed"},
        {"  \t CAT A\n\t  PRESET a\n   ENDPRESET  trailing\n ENDCAT words\nPRESET b\nENDPRESET\n",
         "A{a},b"},
        {"CAT A\r\nPRESET a b\r\nENDPRESET\r\nENDCAT\r\nPRESET c\r\nENDPRESET\r\n", "A{a b},c"},
        {"# comment\n; comment\n\n   \n\t\nPRESET a\nENDPRESET\n", "a"},
        {"Cat A\npreset b\nPRESET a\nEndPreset\nENDPRESET\n", "a"}, // keys are case-sensitive
        {"CATS A\nPRESETS b\nCAT\tA\nENDCAT\n", "A{}"},
        {"ENDCAT\nENDCAT\nPRESET a\nENDPRESET\n", "a"},     // surplus ENDCAT
        {"CAT A\nCAT B\nPRESET a\nENDPRESET\n", "A{B{a}}"}, // missing ENDCAT
        {"CAT A\nENDCAT\nCAT A\nENDCAT\n", "A{},A{}"},
        {"PRESET a\nENDPRESET\nPRESET a\nENDPRESET\n", "a,a"}, // same name twice
        {"PRESET a\nred x\n", ""},                             // no ENDPRESET
        {"PRESET a\nPRESET b\nENDPRESET\n", "b"},              // a never ended
        {"ENDPRESET\n", ""},                                   // nothing to end
        {"PRESET a\nENDPRESET\nENDPRESET\n", "a"},             // not added twice
        {"PRESET a\nENDPRESET\nCAT X\nENDPRESET\nENDCAT\n", "a,X{}"},
        {"PRESET a\nCAT X\nENDPRESET\n", "X{},a"}, // the parent is the one open at PRESET
        {"CAT\nPRESET a\nENDPRESET\nENDCAT\nPRESET b\nENDPRESET\n", "Untitled{a},b"},
        {"CAT \t \nENDCAT\n", "Untitled{}"},
        {"PRESET\nENDPRESET\nPRESET \nENDPRESET\nPRESET  \t\nENDPRESET\n",
         "Untitled,Untitled,Untitled"},
        {"PRESET  lead\nENDPRESET\n", " lead"},
        {"PRESET x\ry\nENDPRESET\n", "x"}, // a CR ends the name
        {nested(16) + "PRESET p\nENDPRESET\n" + closing(16) + "PRESET top\nENDPRESET\n",
         chain(16) + "p" + std::string(16, '}') + ",top"},
        // The 17th level joins the 16th; its ENDCAT still balances.
        {nested(17) + "PRESET p\nENDPRESET\nENDCAT\nPRESET q\nENDPRESET\n" + closing(16) +
             "PRESET top\nENDPRESET\n",
         chain(16) + "p,q" + std::string(16, '}') + ",top"},
        {nested(20) + "PRESET p\nENDPRESET\n" + closing(4) + "PRESET q\nENDPRESET\n" + closing(1) +
             "PRESET r\nENDPRESET\n",
         chain(16) + "p,q" + std::string(1, '}') + ",r" + std::string(15, '}')},
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readText(c.text);
        EXPECT_EQ(r.status, PresetsReadStatus::Read) << c.text;
        EXPECT_EQ(describe(r.tree), c.shape) << c.text;
    }
}

TEST(PresetsReader, TextValues) {
    struct Case {
        const char* line;
        const char* red;
    };
    const Case cases[] = {
        {"red x*y", "x*y"},
        {"red", ""},
        {"red ", ""},
        {"red \t\t", ""},
        {"red  x", " x"}, // blanks after the separator belong to the value
        {"red x  ", "x  "},
        {"red\tx", "x"},
        {"red \t\tx", "x"}, // a run of tabs before the
                            // value is skipped
        {"red \t x", " x"},
        {"red a\tb", "a"}, // cut at the tab
        {"red a b c", "a b c"},
        {"\t red x", "x"},
        {"red x\r", "x"},      // CR LF line end
        {"red x\ny", "x"},     // the next line is a key of its own (unknown here)
        {"red a\nred b", "b"}, // the last one wins
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readText(std::string("PRESET p\n") + c.line + "\nENDPRESET\n");
        PresetNode* p = r.tree.findByName("p");
        ASSERT_NE(p, nullptr) << c.line;
        EXPECT_STREQ(p->makeSettings()->red.text, c.red) << c.line;
    }
}

TEST(PresetsReader, NumberAndFlagValues) {
    struct Case {
        const char* line;
        std::int32_t RenderSettings::*field;
        std::int32_t expected;
    };
    using RS = RenderSettings;
    const Case cases[] = {
        {"colormode 2", &RS::colormode, 2},
        {"colormode", &RS::colormode, 0},
        {"colormode abc", &RS::colormode, 0},
        {"colormode 12abc", &RS::colormode, 12},
        {"colormode -3", &RS::colormode, -3},
        {"colormode \t +7 9", &RS::colormode, 7},
        {"colormode 2.9", &RS::colormode, 2},
        {"colormode 0x10", &RS::colormode, 0},
        {"colormode 99999999999", &RS::colormode, INT_MAX},
        {"colormode -99999999999", &RS::colormode, INT_MIN},
        {"depth 0", &RS::depth, 0},
        {"priority 2", &RS::priority, 2},
        {"codec 5", &RS::codec, 5},
        {"codec", &RS::codec, 0}, // present but empty: 0, not the default 3
        {"wrap 1", &RS::wrap, 1},
        {"wrap 5", &RS::wrap, 1},
        {"wrap -1", &RS::wrap, 1},
        {"wrap 0", &RS::wrap, 0},
        {"wrap", &RS::wrap, 0},
        {"wrap yes", &RS::wrap, 0},
        {"wrap 0.9", &RS::wrap, 0},
        {"cycle 1", &RS::cycle, 1},
        {"center 1", &RS::center, 1},
        {"oversample 1", &RS::oversample, 1},
        {"dither 1", &RS::dither, 1},
        {"seamless 1", &RS::seamless, 1},
        {"lockswidth 1", &RS::lockswidth, 1},
        {"lockewidth 1", &RS::lockewidth, 1},
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readText(std::string("PRESET p\n") + c.line + "\nENDPRESET\n");
        ASSERT_NE(r.tree.findByName("p"), nullptr) << c.line;
        EXPECT_EQ((*r.tree.findByName("p")->makeSettings()).*c.field, c.expected) << c.line;
    }
}

TEST(PresetsReader, RealValues) {
    struct Case {
        const char* line;
        double RenderSettings::*field;
        double expected;
    };
    using RS = RenderSettings;
    const Case cases[] = {
        {"startwidth 2.5", &RS::startwidth, 2.5},
        {"startwidth", &RS::startwidth, 0.0},
        {"startwidth abc", &RS::startwidth, 0.0},
        {"startwidth -0.25", &RS::startwidth, -0.25},
        {"startwidth 1e3", &RS::startwidth, 1000.0},
        {"startwidth \t3.5xyz 9", &RS::startwidth, 3.5},
        {"startwidth 0.000000", &RS::startwidth, 0.0},
        {"endwidth 7", &RS::endwidth, 7.0},
        {"framerate 29.97", &RS::framerate, 29.97},
        {"framerate", &RS::framerate, 0.0}, // present but empty: 0, not the default 10
        {"duration 12.000000", &RS::duration, 12.0},
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readText(std::string("PRESET p\n") + c.line + "\nENDPRESET\n");
        ASSERT_NE(r.tree.findByName("p"), nullptr) << c.line;
        EXPECT_EQ((*r.tree.findByName("p")->makeSettings()).*c.field, c.expected) << c.line;
    }
}

TEST(PresetsReader, MovieFileValues) {
    struct Case {
        std::string lines;
        std::string expected;
    };
    const Case cases[] = {
        {"", "p q.mov"}, // absent: the preset's name
        {"moviefile out/a b.mov\n", "out/a b.mov"},
        {"moviefile\n", "Untitled.mov"},
        {"moviefile \n", "Untitled.mov"},
        {"moviefile\tx\ty \n", "x\ty "},
        {"moviefile  x\n", " x"},
        {"moviefile x\r\n", "x"},
        {"moviefile " + std::string(300, 'm') + "\n", std::string(255, 'm')},
    };
    for (const Case& c : cases) {
        PresetsReadResult r = readText("PRESET p q\n" + c.lines + "ENDPRESET\n");
        ASSERT_NE(r.tree.findByName("p q"), nullptr) << c.lines;
        EXPECT_EQ(r.tree.findByName("p q")->makeSettings()->moviefile, c.expected) << c.lines;
    }
}

TEST(PresetsReader, AbsentKeysGiveThePresetDefaultsAndZeroElsewhere) {
    PresetsReadResult r = readText("PRESET Plain\nENDPRESET\n");
    ASSERT_NE(r.tree.findByName("Plain"), nullptr);
    auto expected = presetstest::zeroRecord();
    expected->framerate = 10.0;
    expected->duration = 1.0;
    expected->depth = 2;
    expected->priority = 1;
    expected->codec = 3;
    std::strcpy(expected->moviefile, "Plain.mov");
    // Byte for byte: code areas, time, source file and padding are zero too.
    EXPECT_EQ(std::memcmp(r.tree.findByName("Plain")->makeSettings().get(), expected.get(),
                          sizeof(RenderSettings)),
              0);
}

TEST(PresetsReader, ValueLinesOutsideAPresetHaveNoEffect) {
    PresetsReadResult r = readText("red before\ncolormode 3\nwrap 1\nPRESET a\nENDPRESET\n"
                                   "red after\ncodec 0\nENDPRESET\nPRESET b\nENDPRESET\n");
    EXPECT_EQ(describe(r.tree), "a,b");
    for (const char* name : {"a", "b"}) {
        const auto whole = r.tree.findByName(name)->makeSettings();
        const RenderSettings& s = *whole;
        EXPECT_STREQ(s.red.text, "") << name;
        EXPECT_EQ(s.colormode, 0) << name;
        EXPECT_EQ(s.wrap, 0) << name;
        EXPECT_EQ(s.codec, 3) << name;
    }
}

TEST(PresetsReader, UnknownKeysAreSkipped) {
    PresetsReadResult r =
        readText("PRESET a\nRed wrong\nred right\nfoo 1\ntime 50\nsourcefile x.bmp\n"
                 "Codec 1\nENDPRESET\n");
    ASSERT_NE(r.tree.findByName("a"), nullptr);
    const auto whole = r.tree.findByName("a")->makeSettings();
    const RenderSettings& s = *whole;
    EXPECT_STREQ(s.red.text, "right");
    EXPECT_EQ(s.codec, 3);
    EXPECT_EQ(s.time, 0);
    EXPECT_STREQ(s.sourcefile, "");
}

TEST(PresetsReader, LineLengthLimit) {
    struct Case {
        std::size_t length; // of the whole "red ..." line
        const char* end;
        std::size_t kept; // characters of the formula
        bool warned;
    };
    const Case cases[] = {
        {1023, "\n", 1019, false},  {1023, "\r\n", 1019, false}, {1024, "\n", 1019, true},
        {1024, "\r\n", 1019, true}, {5000, "\n", 1019, true},
    };
    for (const Case& c : cases) {
        // The tail of an overlong line must not come back as a line of its
        // own: here it would end the preset before "colormode 2".
        std::string line = "red " + std::string(1019, 'x');
        std::size_t extra = c.length - line.size();
        line += extra >= 9 ? std::string(extra - 9, ' ') + "ENDPRESET" : std::string(extra, 'y');
        SCOPED_TRACE("length " + std::to_string(line.size()) + " end " +
                     (c.end[0] == '\r' ? "CRLF" : "LF"));
        ASSERT_EQ(line.size(), c.length);
        PresetsReadResult r = readText("PRESET p\n" + line + c.end + "colormode 2\nENDPRESET\n");
        EXPECT_EQ(describe(r.tree), "p");
        PresetNode* p = r.tree.findByName("p");
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(std::string(p->makeSettings()->red.text), std::string(c.kept, 'x'));
        EXPECT_EQ(p->makeSettings()->colormode, 2);
        EXPECT_EQ(r.warnings.size(), c.warned ? 1u : 0u);
        if (c.warned && !r.warnings.empty()) {
            EXPECT_EQ(r.warnings[0].rfind("line 2:", 0), 0u);
        }
    }
}

TEST(PresetsReader, PresetNameLimit) {
    struct Case {
        std::size_t length;
        std::size_t kept;
    };
    const Case cases[] = {{63, 63}, {64, 63}, {1000, 63}};
    for (const Case& c : cases) {
        std::string name(c.length, 'n');
        PresetsReadResult r = readText("PRESET " + name + "\nENDPRESET\n");
        ASSERT_EQ(r.tree.root().childCount(), 1u) << c.length;
        const PresetNode& p = *r.tree.root().child(0);
        EXPECT_EQ(p.name(), std::string(c.kept, 'n')) << c.length;
        EXPECT_EQ(p.makeSettings()->moviefile, std::string(c.kept, 'n') + ".mov") << c.length;
        EXPECT_EQ(r.warnings.empty(), c.length == c.kept) << c.length;
    }
}

// The desktop program runs under the user's locale; a decimal comma there
// must not change how reals are read or written.
TEST(PresetsReader, RealsIgnoreTheProcessLocale) {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"};
    std::string previous = setlocale(LC_ALL, nullptr);
    const char* used = nullptr;
    for (const char* n : names)
        if (setlocale(LC_ALL, n)) {
            used = n;
            break;
        }
    if (!used) GTEST_SKIP() << "no locale with a decimal comma installed";
    SCOPED_TRACE(used);
    EXPECT_EQ(std::atof("0.5"), 0.0) << "the locale should read 0.5 as 0";

    PresetsReadResult r = readText("PRESET p\nstartwidth 0.5\nENDPRESET\n");
    std::string written = presetstest::writeText(r.tree);
    setlocale(LC_ALL, previous.c_str());

    ASSERT_NE(r.tree.findByName("p"), nullptr);
    EXPECT_EQ(r.tree.findByName("p")->makeSettings()->startwidth, 0.5);
    EXPECT_NE(written.find("    startwidth 0.500000\n"), std::string::npos) << written;
    EXPECT_NE(written.find("    framerate 10.000000\n"), std::string::npos) << written;
}

} // namespace
} // namespace trevalin
