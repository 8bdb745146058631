// The built-in scalar functions and operators, run through the interpreter
// with operands in variables so that nothing is folded at compile time.
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "eval_support.h"
#include "formula/scalar_functions.h"

namespace trevalin {
namespace {

using namespace evaltest;

struct BinaryCase {
    const char* text;
    double x, y;
    double expected;
};

void expectAll(const BinaryCase* cases, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        const BinaryCase& c = cases[k];
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        vars.y = c.y;
        const double got = eval(ctx, c.text, vars);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(got))
                << c.text << " x=" << c.x << " y=" << c.y << " gave " << got;
        else
            EXPECT_EQ(got, c.expected) << c.text << " x=" << c.x << " y=" << c.y;
    }
}

TEST(ScalarOperators, IntegerAndDivisionRules) {
    const BinaryCase cases[] = {
        {"int(x)", -2.7, 0, -2},
        {"int(x)", 2.9999, 0, 2},
        {"int(x)", 3e9, 0, INT32_MIN}, // out of range, as the hardware does
        {"int(x)", kNaN, 0, INT32_MIN},
        {"int(x)", -kInf, 0, INT32_MIN},
        {"x mod y", -7, 3, -1},
        {"x % y", 7, -3, 1},
        {"x % y", 7.9, 2.5, 1},
        {"x mod y", 5, 0, 0},
        {"x mod y", 5, 0.7, 0}, // the divisor truncates to 0
        {"x % y", -2147483648.0, -1, 0},
        {"x / y", 5, 0, kInf},
        {"x / y", -5, 0, kInf},
        {"x / y", 1, 3, 1.0 / 3},
        {"~x", 0, 0, -1},
        {"~x", 5.7, 0, -6},
        {"x & y", 6, 3, 2},
        {"x | y", 6, 3, 7},
        {"x xor y", 6, 3, 5},
        {"x & y", 5.9, 3.9, 1},
        {"x & y", -1, 2147483647, 2147483647},
        {"x ^ y", 2, 0.5, std::sqrt(2.0)},
        {"x ** y", 2, 10, 1024},
        {"x ^ y", -8, 1.0 / 3, kNaN},
        {"pow2(x)", 3, 0, 8},
        {"pow2(x)", -1, 0, 0.5},
        {"-x", 0.5, 0, -0.5},
        {"x - y", 1, 3, -2},
        {"x + y * x", 2, 3, 8},
        {"log(x)", 0, 0, -kInf},
        {"sqrt(x)", -1, 0, kNaN},
        {"acos(x)", 2, 0, kNaN},
        {"exp(x)", 1000, 0, kInf},
        {"abs(x)", -kInf, 0, kInf},
    };
    expectAll(cases, std::size(cases));
}

// sin2 and friends take one sine or cosine and multiply, so they match the
// product to the bit (and are not computed through pow).
TEST(ScalarOperators, PowersOfSineAndCosine) {
    for (double x : {0.0, 0.7, -1.3, 2.0, 100.0, 1e6}) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = x;
        const double s = std::sin(x), c = std::cos(x);
        EXPECT_TRUE(sameBits(eval(ctx, "sin2(x)", vars), s * s)) << x;
        EXPECT_TRUE(sameBits(eval(ctx, "cos2(x)", vars), c * c)) << x;
        EXPECT_TRUE(sameBits(eval(ctx, "sin3(x)", vars), s * s * s)) << x;
        EXPECT_TRUE(sameBits(eval(ctx, "cos3(x)", vars), c * c * c)) << x;
    }
}

TEST(ScalarFunctions, AngleAndDistance) {
    constexpr double pi = std::numbers::pi;
    const BinaryCase cases[] = {
        {"angle(x, y)", 1, 0, 0},       {"angle(x, y)", 0, -1, pi / 2},
        {"angle(x, y)", -1, 0, pi},     {"angle(x, y)", 0, 1, 3 * pi / 2},
        {"angle(x, y)", 2, -2, pi / 4}, {"angle(x, y)", 0, 0, kNaN},
        {"distance(x, y)", 3, 4, 5},    {"dist(x, y)", -3, -4, 5},
        {"distance(x, y)", 0, 0, 0},
    };
    for (const BinaryCase& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        vars.y = c.y;
        const double got = eval(ctx, c.text, vars);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(got)) << c.text << " at " << c.x << "," << c.y;
        else
            EXPECT_NEAR(got, c.expected, 1e-15) << c.text << " at " << c.x << "," << c.y;
    }
}

TEST(ScalarFunctions, FibonacciCount) {
    struct Case {
        double n;
        double expected;
    } cases[] = {
        {0, 1},
        {1, 1},
        {2, 2},
        {3, 3},
        {4, 5},
        {5, 8},
        {10, 89},
        {2.9, 2},
        {-1, 1},
        {-2e9, 1},
        {kNaN, 1}, // negative counts give 1
        {44, 1134903170},
        {45, 1836311903},  // the last that fits
        {46, -1323752223}, // wrapped
    };
    for (const Case& c : cases)
        EXPECT_EQ(fib(c.n), c.expected) << c.n;

    // Agrees with the plain wrapping loop, including long after it wraps.
    std::mt19937 rng(7);
    std::vector<int> counts;
    for (int n = 0; n < 300; ++n)
        counts.push_back(n);
    for (int k = 0; k < 20; ++k)
        counts.push_back(static_cast<int>(rng() % 2000000));
    for (int n : counts) {
        std::uint32_t current = 1, previous = 0;
        for (int k = 0; k < n; ++k) {
            const std::uint32_t next = current + previous;
            previous = current;
            current = next;
        }
        EXPECT_EQ(fib(n), static_cast<std::int32_t>(current)) << n;
    }
    // The largest count answers at once instead of looping 2^31 times.
    FormulaContext ctx;
    FrameVariables vars;
    vars.x = 2147483647;
    EXPECT_TRUE(std::isfinite(eval(ctx, "fib(x)", vars)));
}

TEST(ScalarFunctions, PrimeByOddDivisors) {
    struct Case {
        double n;
        double expected;
    } cases[] = {
        {2, 1},  {3, 1},  {4, 0},    {9, 1},          {15, 0},         {17, 1},   {21, 0},
        {25, 1}, {27, 0}, {49, 1},   {91, 0},         {97, 1},         {1, 1},    {0, 1},
        {-7, 1}, {-8, 1}, {17.9, 1}, {2147483647, 1}, {2147483646, 0}, {kNaN, 1}, // INT32_MIN is
                                                                                  // below 4
    };
    for (const Case& c : cases)
        EXPECT_EQ(prime(c.n), c.expected) << c.n;
}

TEST(ScalarFunctions, Envelopes) {
    struct Case {
        const char* text;
        double x;
        double expected;
    } cases[] = {
        {"linen(x, 1, 4, 1)", -0.1, 0},
        {"linen(x, 1, 4, 1)", 0, 0},
        {"linen(x, 1, 4, 1)", 0.5, 0.5},
        {"linen(x, 1, 4, 1)", 2, 1},
        {"linen(x, 1, 4, 1)", 3.5, 0.5},
        {"linen(x, 1, 4, 1)", 4, 0},
        {"linen(x, 1, 4, 1)", 4.1, 0},
        {"linen(x, 2, 3, 3)", 1, 0.5},  // the rise wins over the decay
        {"linen(x, 0, 4, 8)", 1, 0.75}, // decay longer than the envelope: cut to it
        {"linen(x, 0, 4, 0)", 4, 1},    // no decay
        {"linen(x, -1, 4, 2)", 1, 1},
        {"linen(x, 1, 4, 1)", kNaN, 1}, // plain IEEE comparisons
        {"linenr(x, 1, 2, 0.25)", -0.5, 0},
        {"linenr(x, 1, 2, 0.25)", 0.5, 0.5},
        {"linenr(x, 1, 2, 0.25)", 1, 1},
        {"linenr(x, 1, 2, 0.25)", 2, 0.5},
        {"linenr(x, 1, 2, 0.25)", 3, 0.25},
        {"linenr(x, 1, 2, 0.25)", 3.01, 0},
        {"linenr(x, 0, 2, 0.25)", 0, 1},
        {"limit(x, 0, 1)", 5, 1},
        {"limit(x, 0, 1)", -5, 0},
        {"limit(x, 0, 1)", 0.5, 0.5},
        {"limit(x, 1, 0)", 0.5, -0.5},
        {"limit(x, 3, 0)", 100, -1.5},
        {"limit(x, 0, 1)", kNaN, kNaN},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        const double got = eval(ctx, c.text, vars);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(got)) << c.text << " at x=" << c.x;
        else
            EXPECT_DOUBLE_EQ(got, c.expected) << c.text << " at x=" << c.x;
    }
}

TEST(ScalarFunctions, HsvToRgb) {
    struct Case {
        std::int32_t h, s, v;
        std::int32_t red, green, blue;
    } cases[] = {
        {0, 255, 255, 255, 0, 0},
        {85, 255, 255, 0, 255, 0},
        {170, 255, 255, 0, 0, 255},
        {255, 255, 255, 255, 0, 0}, // H = 360 counts as 0
        {0, 0, 128, 128, 128, 128},
        {200, 0, 128, 128, 128, 128},
        {0, 0, 0, 0, 0, 0},
        {300, 0, 128, 128, 128, 128},
        {-85, 255, 255, 255, 0, 255}, // sector -2 falls to the last case
        {INT32_MIN, 0, 128, 128, 128, 128},
    };
    for (const Case& c : cases) {
        std::int32_t r = c.h, g = c.s, b = c.v;
        hsvToRgb(r, g, b);
        EXPECT_EQ(r, c.red) << "hsv " << c.h << "," << c.s << "," << c.v;
        EXPECT_EQ(g, c.green) << "hsv " << c.h << "," << c.s << "," << c.v;
        EXPECT_EQ(b, c.blue) << "hsv " << c.h << "," << c.s << "," << c.v;
    }
    // The language's hsv truncates its arguments and pushes the triple.
    FormulaContext ctx;
    const FormulaValue v = run(ctx, "hsv(85.9, 255.5, 255.2)");
    EXPECT_EQ(v.isTriple, 1);
    EXPECT_EQ(v.first, 0);
    EXPECT_EQ(v.second, 255);
    EXPECT_EQ(v.third, 0);
}

TEST(ScalarFunctions, HueSaturationAndLargestOfAPixel) {
    struct Case {
        int red, green, blue;
        double hue, saturation;
        int largest;
    } cases[] = {
        {255, 0, 0, 0, 255, 255},
        {0, 255, 0, 85, 255, 255},
        {0, 0, 255, 170, 255, 255},
        {128, 128, 128, 0, 0, 128},
        {0, 0, 0, 0, 0, 0},
        {255, 0, 255, 212.5, 255, 255},                  // magenta: h = -60 wraps to 300
        {200, 100, 50, 14.166666666666668, 191.25, 200}, // saturation is not an integer
        {255, 255, 0, 42.5, 255, 255},                   // red and green tie: red is tested first
    };
    for (const Case& c : cases) {
        const std::uint32_t p = static_cast<std::uint32_t>(c.red | c.green << 8 | c.blue << 16);
        EXPECT_NEAR(pixelHue(p), c.hue, 1e-12) << c.red << "," << c.green << "," << c.blue;
        EXPECT_DOUBLE_EQ(pixelSaturation(p), c.saturation)
            << c.red << "," << c.green << "," << c.blue;
        EXPECT_EQ(pixelLargest(p), c.largest) << c.red << "," << c.green << "," << c.blue;
    }
}

} // namespace
} // namespace trevalin
