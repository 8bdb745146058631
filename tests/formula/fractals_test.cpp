// Escape-time fractals, their shared memo, and zebra.
#include <gtest/gtest.h>

#include "eval_support.h"
#include "formula/fractals.h"

namespace trevalin {
namespace {

using namespace evaltest;

struct PointCase {
    const char* text;
    double x, y;
    double jx, jy;
    double expected;
};

TEST(Fractals, EscapeCounts) {
    const PointCase cases[] = {
        {"mandel()", 0, 0, 0, 0, 0},
        {"mandel()", 1, 0, 0, 0, 2}, // z2 = 2: |z|^2 = 4 escapes
        {"mandel()", 3, 0, 0, 0, 1},
        {"mandel()", -2, 0, 0, 0, 1}, // z1 = -2 already reaches 4
        {"mand()", 0.5, 0, 0, 0, 5},  // 0.5, 0.75, 1.0625, 1.6289, 3.1533
        {"mandel()", -1, 0, 0, 0, 0}, // the 0, -1 cycle
        {"mandel()", 0, 1, 0, 0, 0},  // i, -1+i, -i, -1+i, ...
        {"mandel()", kNaN, 0, 0, 0, 0},
        {"man3()", 0, 0, 0, 0, 0},
        {"man3()", 3, 0, 0, 0, 1},
        {"man3()", 1, 0, 0, 0, 2},    // 1, 2
        {"man3()", 0, 1, 0, 0, 0},    // i, 0, i, 0, ...
        {"man3()", 0, 1.5, 0, 0, 3},  // 1.5i, -1.875i, 8.09i
        {"julia()", 0.5, 0, 0, 0, 0}, // tends to 0
        {"julia()", 2, 0, 0, 0, 1},
        {"julia()", 0, 0, -1, 0, 0}, // the 0, -1 cycle again
        {"julia()", 0, 0, 3, 0, 1},
        {"dragon()", 0, 0, 0.5, 0, 0},
        {"dragon()", 2, 0, 0, 1, 1}, // z0 = i, c = 2: z1 = 2
        // z0 = i, c = 1: z1 = 1 + i only because the imaginary part reads the
        // new real part (the old one would give 1 + 2i and escape at once).
        {"dragon()", 1, 0, 0, 1, 0},
        {"dragon()", 1, 0, -1, 0, 1}, // z1 = -2
    };
    for (const PointCase& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        vars.y = c.y;
        vars.jx = c.jx;
        vars.jy = c.jy;
        EXPECT_EQ(eval(ctx, c.text, vars), c.expected)
            << c.text << " at " << c.x << "," << c.y << " j " << c.jx << "," << c.jy;
    }
}

TEST(Fractals, ContinuousPotential) {
    struct Case {
        double x, y;
        double expected;
    } cases[] = {
        {0, 0, 0},
        {-1, 0, 0},
        {3, 0, -std::log(std::log10(21609.0) / 8)}, // 3, 12, 147
        {200, 0, -std::log(std::log10(40000.0) / 2)},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        vars.y = c.y;
        EXPECT_DOUBLE_EQ(eval(ctx, "manc()", vars), c.expected) << c.x << "," << c.y;
        FormulaContext again;
        EXPECT_DOUBLE_EQ(eval(again, "mcpm()", vars), c.expected) << c.x << "," << c.y;
    }
    FormulaContext ctx;
    EXPECT_NEAR(manc(ctx, 3, 0), 0.6128, 5e-5);
}

// The limit counts escape steps 1 .. limit; a point that needs more gives 0.
TEST(Fractals, IterationLimit) {
    // On the real axis z^2 + c has no imaginary part, so a plain loop is exact.
    const double c = 0.2501;
    int steps = 0;
    for (double z = 0; steps < 100000;) {
        z = z * z + c;
        ++steps;
        if (z * z >= 4) break;
    }
    ASSERT_GT(steps, 64);
    struct Case {
        std::int32_t limit;
        double expected;
    } cases[] = {
        {10, 0},
        {64, 0},
        {steps - 1, 0},
        {steps, static_cast<double>(steps)},
        {steps + 1, static_cast<double>(steps)},
        {INT32_MAX, static_cast<double>(steps)},
    };
    for (const Case& k : cases) {
        FormulaContext ctx;
        ctx.setIterationLimit(k.limit);
        EXPECT_EQ(mandel(ctx, c, 0), k.expected) << "limit " << k.limit;
    }
}

// One memo entry shared by all five functions, keyed by the point alone.
TEST(Fractals, MemoIsOneSharedEntry) {
    FormulaContext ctx;
    FrameVariables vars;
    vars.x = 0.5;
    EXPECT_EQ(eval(ctx, "mandel()", vars), 5);
    EXPECT_EQ(ctx.memoX, 0.5);
    EXPECT_EQ(ctx.memoY, 0);
    EXPECT_EQ(ctx.memoCount, 5);
    // A second call at the point does not iterate: it returns the stored count.
    ctx.memoCount = 99;
    EXPECT_EQ(eval(ctx, "mandel()", vars), 99);
    // julia at the same point returns mandel's count (alone it would give 0).
    EXPECT_EQ(eval(ctx, "julia()", vars), 99);
    // manc keeps its own result slot; at a remembered point it returns it.
    ctx.memoValue = 1.25;
    EXPECT_EQ(eval(ctx, "manc()", vars), 1.25);
    // A NaN coordinate counts as equal to the stored point.
    vars.x = kNaN;
    EXPECT_EQ(eval(ctx, "mandel()", vars), 99);
    vars.x = 0.5;
    vars.y = kNaN;
    EXPECT_EQ(eval(ctx, "man3()", vars), 99);
    // A new point iterates and stores, also a result of 0.
    vars.y = 0;
    vars.x = 0;
    EXPECT_EQ(eval(ctx, "mandel()", vars), 0);
    EXPECT_EQ(ctx.memoCount, 0);
    EXPECT_EQ(ctx.memoX, 0);
    vars.x = 3;
    EXPECT_DOUBLE_EQ(eval(ctx, "manc()", vars), -std::log(std::log10(21609.0) / 8));
    EXPECT_EQ(ctx.memoValue, eval(ctx, "manc()", vars));
    EXPECT_EQ(ctx.memoCount, 0); // manc leaves the count alone
    // -0 and 0 are the same point.
    vars.x = -0.0;
    vars.y = 0;
    FormulaContext other;
    EXPECT_EQ(eval(other, "mandel()", vars), 0);
    other.memoCount = 7;
    vars.x = 0.0;
    EXPECT_EQ(eval(other, "mandel()", vars), 7);
}

TEST(Fractals, Zebra) {
    struct Case {
        double a1, a2, a3, a4;
        double expected;
    } cases[] = {
        {0, 4, 1, 1, 0}, // a1 of 0 gives 0 whatever the rest
        {-0.0, 4, 1, 1, 0},
        {5, 4, 0, 0, 2}, // f = 5 odd, shift 0; q = 1 odd: 4 - 1 - 1
        {3, 4, 0, 0, 3},
        {6, 4, 0, 0, 1}, // even f, odd band: counts down
        {4, 4, 0, 0, 3},
        {8, 4, 0, 0, 0},
        {7, 4, 2, 0, 1},     // odd f shifted by 2: 9 = 2*4 + 1
        {2.5, 4, 0, 0.7, 3}, // f = trunc(3.2)
        {-3, 4, 0, 0, -3},   // remainder takes the dividend's sign
        {-5, 4, 0, 0, 4},    // q = -1 is odd: 4 - (-1) - 1
        {5, 0.5, 0, 0, 0},   // width truncates to 0: nothing to divide by
        {5, -0.9, 0, 0, 0},
        {5, kNaN, 0, 0, 5},                                  // width INT32_MIN: q = 0, r = 5
        {-2147483648.0, -1, 0, 0, 0},                        // INT32_MIN / -1 has no int32 quotient
        {-2147483648.0, -2147483648.0, 0, 0, -2147483649.0}, // q = 1: h - 0 - 1
        {2147483647, 4, 2147483647, 0, -2}, // the odd shift wraps past INT32_MAX to -2
    };
    for (const Case& c : cases)
        EXPECT_EQ(zebra(c.a1, c.a2, c.a3, c.a4), c.expected)
            << "zebra(" << c.a1 << ", " << c.a2 << ", " << c.a3 << ", " << c.a4 << ")";
    FormulaContext ctx;
    EXPECT_EQ(eval(ctx, "zebra(5, 4, 0, 0)"), 2);
}

} // namespace
} // namespace trevalin
