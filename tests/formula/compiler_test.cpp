// The formula front end: what it accepts, how it binds, what code it emits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/disassembler.h"
#include "formula/stack_depth.h"

namespace trevalin {
namespace {

struct Compiled {
    int result;
    std::string disassembly;
    int flags;
    std::string message;
    std::uint8_t code[kCodeAreaSize];
};

const Compiled& compile(const std::string& text) {
    static Compiled c;
    static FormulaSlot slot;
    std::memset(slot.code, 0xAB, sizeof slot.code); // stale bytes must not show through
    setFormulaText(slot, text.c_str());
    c.result = compileFormula(slot);
    c.message = lastCompileError();
    c.flags = slot.flags;
    std::memcpy(c.code, slot.code, sizeof c.code);
    c.disassembly = disassemble(slot.code);
    return c;
}

// The value of a formula that compiled to a single literal.
double foldedValue(const std::string& text) {
    const Compiled& c = compile(text);
    EXPECT_EQ(c.result, 0) << text;
    EXPECT_EQ(codeLength(c.code), kLiteralRecordSize + 1)
        << text << " did not fold: " << c.disassembly;
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
        {"fabs(x)", "abs(x)"},
        {"triple(x, y, 1)", "rgb(x, y, 1)"},
    };
    for (const Case& c : cases) {
        const std::string a = compile(c.text).disassembly;
        EXPECT_EQ(a, compile(c.same).disassembly) << c.text << " vs " << c.same;
    }
}

// What the scanner skips (notes in quotes, empty parentheses, stray bytes) and
// extra arguments, whose code no formula spells directly.
TEST(FormulaSyntax, SkippedTextAndExtraArguments) {
    struct Case {
        const char* text;
        const char* code;
    } cases[] = {
        {"\"note\" + x", "var x | op Add"}, {"x + \"note\"", "var x | op Add"},
        {"x + ()", "var x | op Add"},       {"x\xc3\xa9 + 1", "var x | lit 1 | op Add"},
        {"mandel(5)", "lit 5 | op Mandel"},
    };
    for (const Case& c : cases) {
        const Compiled& out = compile(c.text);
        EXPECT_EQ(out.result, 0) << c.text;
        EXPECT_EQ(out.disassembly, c.code) << c.text;
    }
}

// The code each formula compiles to, record by record; the literal text reads
// back as the same double, so equal text means equal bytes.
TEST(FormulaCode, ExactCode) {
    struct Case {
        const char* text;
        const char* code;
        int flags;
    } cases[] = {
        {"", "", 7},
        {"1", "lit 1", 7},
        {"x + 2*3", "var x | lit 6 | op Add", 2},
        {"x*2*3", "var x | lit 2 | op Multiply | lit 3 | op Multiply", 2},
        {"x*(2*3)", "var x | lit 6 | op Multiply", 2},
        {"1 < 2", "lit 1 | lit 2 | op Less", 7},
        {"foo", "var unknown", 7},
        {"foo + 1", "var unknown | lit 1 | op Add", 7},
        {"jx", "var jx", 3},
        {"jy * jx", "var jy | var jx | op Multiply", 3},
        {"jx + x", "var jx | var x | op Add", 2},
        {"?", "var ?", 2},
        {"r", "var r", 2},
        {"l", "var l", 2},
        {"t + n", "var t | var n | op Add", 2},
        {"sx + sy + sz", "var sx | var sy | op Add | var sz | op Add", 2},
        {"mandel()", "op Mandel", 7},
        {"sin()", "op Sin", 7},
        {"l[x, y]", "var x | var y | op LargestAt", 2},
        {"c[x, y]", "var x | var y | op HueAt", 2},
        {"s[x, y]", "var x | var y | op SaturationAt", 2},
        {"sqrt(2)", "lit 2 | op Sqrt", 7},
        {"-sin(x)", "var x | op Sin | op Negate", 2},
        {"x == y", "var x | var y | op Equal", 2},
        {"x >= y", "var x | var y | op GreaterEqual", 2},
        {"x <= y", "var x | var y | op LessEqual", 2},
        {"x > y", "var x | var y | op Greater", 2},
        {"x && y", "var x | var y | op LogicalAnd", 2},
        {"x || y", "var x | var y | op LogicalOr", 2},
        {"not(x)", "var x | op Not", 2},
        {"rgb(x, y, t)", "var x | var y | var t | op Rgb", 2},
        {"hsv(x, y, t)", "var x | var y | var t | op Hsv", 2},
        {"hypot(x, y)", "var x | var y | op Hypot", 2},
    };
    for (const Case& c : cases) {
        const Compiled& out = compile(c.text);
        EXPECT_EQ(out.result, 0) << c.text;
        EXPECT_EQ(out.disassembly, c.code) << c.text;
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
        EXPECT_FALSE(singleLiteral) << text << ": " << c.disassembly;
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
        EXPECT_EQ(c.code[0], kRecordEnd) << text << ": " << c.disassembly;
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
