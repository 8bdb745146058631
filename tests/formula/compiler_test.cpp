// The formula front end: what it accepts, how it binds, what code it emits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/stack_depth.h"

namespace trevalin {
namespace {

struct Compiled {
    int result;
    std::string hex;
    int flags;
    std::string message;
    std::uint8_t code[kCodeAreaSize];
};

std::string hexOf(const std::uint8_t* code) {
    std::string s;
    char buf[3];
    const int n = codeLength(code);
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", code[i]);
        s += buf;
    }
    return s;
}

const Compiled& compile(const std::string& text) {
    static Compiled c;
    static FormulaSlot slot;
    std::memset(slot.code, 0xAB, sizeof slot.code); // stale bytes must not show through
    setFormulaText(slot, text.c_str());
    c.result = compileFormula(slot);
    c.message = lastCompileError();
    c.flags = slot.flags;
    std::memcpy(c.code, slot.code, sizeof c.code);
    c.hex = hexOf(slot.code);
    return c;
}

// The value of a formula that compiled to a single literal.
double foldedValue(const std::string& text) {
    const Compiled& c = compile(text);
    EXPECT_EQ(c.result, 0) << text;
    EXPECT_EQ(codeLength(c.code), kLiteralRecordSize + 1) << text << " did not fold: " << c.hex;
    EXPECT_EQ(c.code[0], kRecordVariable) << text;
    EXPECT_EQ(c.code[1], kSlotLiteral) << text;
    return literalValue(c.code);
}

TEST(FormulaSyntax, AcceptsAndRejects) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"", true},
        {"   \t\r\n ", true},
        {"x + 1", true},
        {"mandel()", true},
        {"mandel(1)", true},
        {"foo + 1", true},
        {"\"a word\"", true},
        {"()", true},
        {"sin(x) * cos(y)", true},
        {"r[x, y] + g[x, y] + b[x, y] + c[x,y] + s[x,y] + l[x,y]", true},
        {"r + g + b + c + s + l", true},
        {"red(x, y)", true},
        {"2^-1", true},
        {"-~-x", true},
        {"x ** 2", true},
        {"x <> y", true},
        {"x != y || x == y && x = y", true},
        {"x mod 3 xor 5", true},
        {"pie + andy", true},
        {"1.", true},
        {".5", true},
        {"x $ # @ ; : { } \\ _ + 1", true},
        {"x y", false},
        {"sin x", false},
        {"mandel", false},
        {"r(x)", false},
        {"!x", false},
        {"and(x, y)", false},
        {"1.5.5", false},
        {"1e5", false},
        {"x +", false},
        {"(x", false},
        {"x)", false},
        {"r[x]", false},
        {"r[x, y, z]", false},
        {"sin(x,)", false},
        {"sin(,x)", false},
        {"+x", false},
        {"x = = y", false},
        {"pi2 pi", false},
        {"[x]", false},
    };
    for (const Case& c : cases) {
        const Compiled& out = compile(c.text);
        EXPECT_EQ(out.result, c.valid ? 0 : 1) << '"' << c.text << "\": " << out.message;
        if (!c.valid) {
            EXPECT_EQ(out.message, "parse error") << c.text;
            EXPECT_EQ(out.code[0], kRecordEnd) << c.text;
        } else {
            EXPECT_EQ(out.message, "") << c.text;
        }
    }
}

// Pairs that must compile to the same code: precedence, associativity, case.
TEST(FormulaSyntax, PrecedenceAndEquivalents) {
    struct Case {
        const char* text;
        const char* same;
    } cases[] = {
        {"-x^2", "-(x^2)"},
        {"-x*y", "(-x)*y"},
        {"~x^2", "~(x^2)"},
        {"x^-y", "x^(-y)"},
        {"x^-y*z", "(x^(-y))*z"},
        {"x^y^z", "x^(y^z)"},
        {"x - y - z", "(x - y) - z"},
        {"x / y / z", "(x / y) / z"},
        {"x % y * z", "(x % y) * z"},
        {"x + y * z", "x + (y * z)"},
        {"x > 0 and y > 0", "(x > 0) and (y > 0)"},
        {"x or y and z", "(x or y) and z"},
        {"x + y & z", "(x + y) & z"},
        {"x == y & z", "x == (y & z)"},
        {"x < y < z", "(x < y) < z"},
        {"x & y | z xor w", "((x & y) | z) xor w"},
        {"x * -y", "x * (-y)"},
        {"x - -y", "x - (-y)"},
        {"SIN(X)", "sin(x)"},
        {"Mandel()", "mandel()"},
        {"R[X, Y]", "r[x, y]"},
        {"red(x, y)", "r[x, y]"},
        {"x AND y", "x && y"},
        {"x Or y", "x || y"},
        {"x MOD y", "x % y"},
        {"x ** y", "x ^ y"},
        {"x = y", "x == y"},
        {"x <> y", "x != y"},
        {"\"note\" + x", "x +"},
        {"x + \"note\"", "x +"},
        {"x + ()", "x +"},
        {"x\xc3\xa9 + 1", "x + 1"},
        {"mandel(5)", "5 mandel()"},
        {"fabs(x)", "abs(x)"},
        {"triple(x, y, 1)", "rgb(x, y, 1)"},
    };
    for (const Case& c : cases) {
        const std::string a = compile(c.text).hex;
        const Compiled& other = compile(c.same);
        // A few right-hand sides are not formulas themselves; build their code by
        // hand from the pieces instead.
        std::string b = other.hex;
        if (std::string(c.same) == "x +") b = "56044f3500";
        if (std::string(c.same) == "5 mandel()") b = "560100000000000014404f1500";
        if (std::string(c.same) == "x + 1") b = "56045601000000000000f03f4f3500";
        EXPECT_EQ(a, b) << c.text << " vs " << c.same;
    }
}

TEST(FormulaCode, ExactBytes) {
    struct Case {
        const char* text;
        const char* hex;
        int flags;
    } cases[] = {
        {"", "00", 7},
        {"1", "5601000000000000f03f00", 7},
        {"x + 2*3", "5604560100000000000018404f3500", 2},
        {"x*2*3", "5604560100000000000000404f32560100000000000008404f3200", 2},
        {"x*(2*3)", "5604560100000000000018404f3200", 2},
        {"1 < 2", "5601000000000000f03f560100000000000000404f3c00", 7},
        {"foo", "560000", 7},
        {"foo + 1", "56005601000000000000f03f4f3500", 7},
        {"jx", "560e00", 3},
        {"jy * jx", "560f560e4f3200", 3},
        {"jx + x", "560e56044f3500", 2},
        {"?", "560300", 2},
        {"r", "561900", 2},
        {"l", "561e00", 2},
        {"t + n", "560256 0b4f3500", 2},
        {"sx + sy + sz", "561656174f3556184f3500", 2},
        {"mandel()", "4f1500", 7},
        {"sin()", "4f0900", 7},
        {"l[x, y]", "560456054f4200", 2},
        {"c[x, y]", "560456054f4600", 2},
        {"s[x, y]", "560456054f4700", 2},
        {"sqrt(2)", "56010000000000000040 4f0200", 7},
        {"-sin(x)", "56044f094f2d00", 2},
        {"x == y", "560456054f3a00", 2},
        {"x >= y", "560456054f3d00", 2},
        {"x <= y", "560456054f3e00", 2},
        {"x > y", "560456054f3b00", 2},
        {"x && y", "560456054f4000", 2},
        {"x || y", "560456054f4100", 2},
        {"not(x)", "56044f2e00", 2},
        {"rgb(x, y, t)", "5604560556024f4a00", 2},
        {"hsv(x, y, t)", "5604560556024f4b00", 2},
    };
    for (const Case& c : cases) {
        std::string expected;
        for (const char* p = c.hex; *p; ++p)
            if (*p != ' ') expected += *p;
        const Compiled& out = compile(c.text);
        EXPECT_EQ(out.result, 0) << c.text;
        EXPECT_EQ(out.hex, expected) << c.text;
        EXPECT_EQ(out.flags, c.flags) << c.text;
    }
}

TEST(FormulaCode, ConstantFolding) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"2*3+4", 10},
        {"-(2^3)", -8},
        {"2^3^2", 512},
        {"-2^2", -4},
        {"10 - 4 - 3", 3},
        {"7 % 0", 0},
        {"7 mod 0", 0},
        {"-7 mod 3", -1},
        {"7 mod -3", 1},
        {"7.9 % 2.5", 1},
        {"1/0", inf},
        {"-1/0", inf},
        {"0/0", inf},
        {"int(-2.7)", -2},
        {"~5", -6},
        {"~0", -1},
        {"pow2(3)", 8},
        {"pow(2, 10)", 1024},
        {"2^0.5", std::sqrt(2.0)},
        {"5 & 3", 1},
        {"5 | 3", 7},
        {"5 xor 3", 6},
        {"5.9 & 3.9", 1},
        {"PI", 3.141592653589793},
        {"pi2", 6.283185307179586},
        {"E", 2.718281828459045},
        {".5 + 1.", 1.5},
        // Outside int32, truncation gives INT32_MIN, and INT32_MIN % -1 is 0.
        {"int(1/0)", -2147483648.0},
        {"int(3000000000)", -2147483648.0},
        {"int(-2147483648.9)", -2147483648.0},
        {"int(2147483647.9)", 2147483647.0},
        {"-2147483648 % -1", 0},
        {"~(1/0)", 2147483647.0},
        {"99999999999999999999999999999999999999", 1e38},
        {"((1+2)*(3+4))", 21},
    };
    for (const Case& c : cases) {
        const double v = foldedValue(c.text);
        if (std::isinf(c.value))
            EXPECT_EQ(v, c.value) << c.text;
        else
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

TEST(FormulaCode, WhatDoesNotFold) {
    // Comparisons, logic, other functions and operations on function results stay.
    const char* cases[] = {"1 < 2",  "1 and 0", "not(0)",  "sqrt(4)",     "-sin(0)",
                           "2 * x",  "x * 2",   "1 == 1",  "cond(1,2,3)", "abs(-1)",
                           "int(x)", "~x",      "sign(-1)"};
    for (const char* text : cases) {
        const Compiled& c = compile(text);
        EXPECT_EQ(c.result, 0) << text;
        const bool singleLiteral = codeLength(c.code) == kLiteralRecordSize + 1 &&
                                   c.code[0] == kRecordVariable && c.code[1] == kSlotLiteral;
        EXPECT_FALSE(singleLiteral) << text << ": " << c.hex;
    }
}

TEST(FormulaCode, CodeAreaLimit) {
    // x then 341 times "-e": 2 + 341 * 12 bytes and the End byte fill 4095 bytes.
    std::string fits = "x";
    for (int i = 0; i < 341; ++i)
        fits += "-e";
    const Compiled& ok = compile(fits);
    EXPECT_EQ(ok.result, 0) << ok.message;
    EXPECT_EQ(codeLength(ok.code), 4095);

    const Compiled& tooLong = compile(fits + "-e");
    EXPECT_EQ(tooLong.result, 1);
    EXPECT_EQ(tooLong.message, "formula too long");
    EXPECT_EQ(tooLong.code[0], kRecordEnd);
}

TEST(FormulaCode, StackLimit) {
    struct Case {
        int literals;   // numbers passed to one function call
        bool asTriples; // each argument a triple of three variables instead
        bool compiles;
    } cases[] = {
        {32, false, true},
        {33, false, false},
        {10, true, true},  // 30 slots, and 32 while the last triple is built
        {11, true, false}, // the eleventh triple needs 33
    };
    for (const Case& c : cases) {
        std::string text = "sin(";
        for (int i = 0; i < c.literals; ++i) {
            if (i) text += ",";
            text += c.asTriples ? "rgb(x,y,t)" : "x";
        }
        text += ")";
        const Compiled& out = compile(text);
        EXPECT_EQ(out.result, c.compiles ? 0 : 1) << text;
        if (!c.compiles) {
            EXPECT_EQ(out.message, "formula too complex") << text;
            EXPECT_EQ(out.code[0], kRecordEnd) << text;
        }
    }
}

TEST(FormulaCode, StackDepthModel) {
    struct Case {
        const char* text;
        int depth;
    } cases[] = {
        {"", 0},
        {"x", 1},
        {"x + y", 2},
        {"x + (y + (t + n))", 4},
        {"rgb(x, y, t)", 3},
        {"rgb(x, y, t) + 1", 4},
        {"sin(rgb(x, y, t))", 3},
        {"ease(rgb(x, y, t)) + x", 4},
        {"ease(x) + x", 2},
        {"terp(x, rgb(x, y, t))", 4},
        {"terpt(rgb(x, y, t), rgb(y, x, t), x)", 7},
        {"sample(x, y)", 3},
        {"hsv(x, y, t)", 3},
        {"l[x, y] + 1", 3},      // inert: its two operands stay
        {"foo + \"s\" + ()", 1}, // each + pushes its result, made of zeros
        {"fbm()", 1},            // missing operands read as 0 and take no room
        {"mandel(1, 2, 3)", 4},
    };
    for (const Case& c : cases) {
        const Compiled& out = compile(c.text);
        ASSERT_EQ(out.result, 0) << c.text << ": " << out.message;
        EXPECT_EQ(maxStackDepth(out.code), c.depth) << c.text;
    }
}

TEST(FormulaCode, ParserStackLimit) {
    std::uint8_t code[kCodeAreaSize];
    std::int32_t flags = 0;
    auto nested = [](int depth) { return std::string(depth, '(') + "x" + std::string(depth, ')'); };
    std::string ok = nested(9000);
    EXPECT_EQ(compileFormulaText(ok.c_str(), ok.size(), code, flags), 0) << lastCompileError();
    std::string deep = nested(10001);
    EXPECT_EQ(compileFormulaText(deep.c_str(), deep.size(), code, flags), 1);
    EXPECT_STREQ(lastCompileError(), "parser stack overflow");
    EXPECT_EQ(code[0], kRecordEnd);
}

TEST(FormulaCode, TextLongerThanTheSlotIsCut) {
    FormulaSlot slot;
    std::string text(1023, ' ');
    text += "x y"; // past the limit: never seen
    setFormulaText(slot, text.c_str());
    EXPECT_EQ(std::strlen(slot.text), 1023u);
    EXPECT_EQ(compileFormula(slot), 0);
    EXPECT_EQ(slot.code[0], kRecordEnd);
}

TEST(FormulaCode, FailureAfterEmittingLeavesEmptyCode) {
    const char* cases[] = {"x + y +", "x * 2 )", "sin(x, y", "rgb(1,2,3) 4"};
    for (const char* text : cases) {
        const Compiled& c = compile(text);
        EXPECT_EQ(c.result, 1) << text;
        EXPECT_EQ(c.hex, "00") << text;
    }
    // The message stays readable until the next compile, which clears it.
    compile("x +");
    EXPECT_STREQ(lastCompileError(), "parse error");
    compile("x");
    EXPECT_STREQ(lastCompileError(), "");
}

} // namespace
} // namespace trevalin

namespace trevalin {
namespace {

TEST(FormulaCode, ReadsSourceImage) {
    struct Case {
        const char* text;
        bool reads;
    } cases[] = {
        {"x + y", false},       {"r", true},
        {"l * 2", true},        {"red(x, y)", true},
        {"b[x, y]", true},      {"c[x, y]", false},
        {"sample(x, y)", true}, {"samptile(x, y)", true},
        {"mandel()", false},    {"rgb(1, 2, 3)", false},
        {"\"r\" + foo", false}, {"", false},
    };
    for (const Case& c : cases) {
        FormulaSlot slot;
        setFormulaText(slot, c.text);
        ASSERT_EQ(compileFormula(slot), 0) << c.text;
        EXPECT_EQ(readsSourceImage(slot.code), c.reads) << c.text;
    }
}

} // namespace
} // namespace trevalin
