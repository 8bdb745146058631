// The byte-code machine: results and triples, the stack discipline, the
// variables, the NaN rules of the operators and robustness on arbitrary code.
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "eval_support.h"
#include "formula/random_state.h"
#include "formula/stack_depth.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using namespace evaltest;

std::string describe(const FormulaValue& v) {
    return "(" + std::to_string(v.first) + ", " + std::to_string(v.second) + ", " +
           std::to_string(v.third) + (v.isTriple ? ") triple" : ") number");
}

TEST(InterpreterResult, NumbersAndTriples) {
    struct Case {
        const char* text;
        FormulaValue expected;
    } cases[] = {
        {"", numberValue(0)},
        {"nosuchname", numberValue(0)}, // slot 0 pushes nothing
        {"x", numberValue(3)},
        {"rgb(10, 20, 30)", tripleValue(10, 20, 30)},
        {"triple(10, 20, 30)", tripleValue(10, 20, 30)},
        {"rgb(10, 20, 30) + 0", numberValue(30)}, // a triple as a number is its third
        {"rgb(1, 2, 3) * x", numberValue(9)},
        {"sin(rgb(1, 2, 0))", numberValue(0)},
        {"mandel(5)", numberValue(1)},  // the 5 stays beneath and is dropped
        {"abs(7, -x)", numberValue(3)}, // the 7 stays beneath as well
        {"hsv(0, 255, 255)", tripleValue(255, 0, 0)},
        {"terp(rgb(0, 0, 0), 10)", tripleValue(5, 5, 5)}, // t = 0.5
        {"terp(2, 4)", numberValue(3)},
        {"terpt(1, rgb(3, 5, 7), 0.5)", tripleValue(2, 3, 4)},
        {"terpt(rgb(1, 2, 3), rgb(3, 6, 9), 0.25)", tripleValue(1.5, 3, 4.5)},
        {"ease(rgb(0.5, 2, 0))", tripleValue(0.5, -4, 0)},
        {"ease(2)", numberValue(-4)},
        {"ease(rgb(0, 1, 2)) + 0", numberValue(-4)},
        {"sample(0.5, 0.5)", tripleValue(0, 0, 0)}, // no source image
        {"rgb(rgb(1, 2, 3), 4, 5)", tripleValue(3, 4, 5)},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = 3;
        vars.y = 0;
        vars.t = 0.5;
        const FormulaValue got = run(ctx, c.text, vars);
        EXPECT_EQ(got.isTriple, c.expected.isTriple) << c.text << " gave " << describe(got);
        EXPECT_DOUBLE_EQ(got.first, c.expected.first) << c.text << " gave " << describe(got);
        EXPECT_DOUBLE_EQ(got.second, c.expected.second) << c.text << " gave " << describe(got);
        EXPECT_DOUBLE_EQ(got.third, c.expected.third) << c.text << " gave " << describe(got);
        EXPECT_DOUBLE_EQ(evaluateFormula(ctx, compileOrFail(c.text).data(), vars), c.expected.first)
            << c.text;
    }
}

TEST(InterpreterResult, InertCodesLeaveTheirOperands) {
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"l[1, 2]", 2},
        {"c[3, 4]", 4},
        {"s[5, 6]", 6},
        {"l[1, 2] + 10", 12},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        EXPECT_DOUBLE_EQ(eval(ctx, c.text), c.expected) << c.text;
    }
    // Code 0 and codes past the table behave the same.
    for (int code : {0, 66, 70, 71, 76, 200, 255}) {
        FormulaContext ctx;
        const Code bytes = CodeBuilder().literal(1).literal(2).op(code).build();
        EXPECT_DOUBLE_EQ(evaluateFormula(ctx, bytes.data(), {}), 2) << "code " << code;
    }
}

TEST(InterpreterStack, MissingOperandsReadAsZero) {
    struct Case {
        const char* what;
        Code code;
        FormulaValue expected;
    } cases[] = {
        {"+ alone", CodeBuilder().op(Op::Add).build(), numberValue(0)},
        {"5 then -", CodeBuilder().literal(5).op(Op::Subtract).build(), numberValue(-5)},
        {"5 then /", CodeBuilder().literal(5).op(Op::Divide).build(), numberValue(0)},
        {"2 then ^", CodeBuilder().literal(2).op(Op::Pow).build(), numberValue(0)},
        {"rgb alone", CodeBuilder().op(Op::Rgb).build(), tripleValue(0, 0, 0)},
        {"7 then rgb", CodeBuilder().literal(7).op(Op::Rgb).build(), tripleValue(0, 0, 7)},
        {"triple then terpt", CodeBuilder().triple(2, 4, 6).op(Op::Terpt).build(),
         numberValue(0)}, // w = triple's third (6) -> 1, a = b = 0
        {"3 then linen", CodeBuilder().literal(3).op(Op::Linen).build(),
         numberValue(1)}, // linen(0, 0, 0, 3),
        {"1 then cond", CodeBuilder().literal(1).op(Op::Cond).build(), numberValue(1)},
        {"0.5 then limit", CodeBuilder().literal(0.5).op(Op::Limit).build(),
         numberValue(0)}, // limit(0, 0, 0.5),
        {"triple then +", CodeBuilder().triple(1, 2, 3).op(Op::Add).build(), numberValue(3)},
    };
    for (const Case& c : cases) {
        for (int base : {0, 3}) {
            FormulaContext ctx;
            for (int i = 0; i < base; ++i) {
                ctx.stack[i] = 99;
                ctx.tripleMark[i] = i == base - 1;
            }
            ctx.stackTop = base;
            const FormulaValue got = runFormula(ctx, c.code.data(), {});
            EXPECT_EQ(got.isTriple, c.expected.isTriple) << c.what << " base " << base;
            EXPECT_DOUBLE_EQ(got.first, c.expected.first) << c.what << " base " << base;
            EXPECT_DOUBLE_EQ(got.third, c.expected.third) << c.what << " base " << base;
            EXPECT_EQ(ctx.stackTop, base) << c.what;
        }
    }
}

// Every code pops what opcodes.h says and pushes one result of the listed
// shape, as the compiler's depth check assumes. Six operands are pushed (as
// numbers, or as triples), then the code; the result must sit where the
// table puts it. This reads the stack memory the run left behind.
TEST(InterpreterStack, EveryCodeFollowsTheTable) {
    for (int code = 0; code < 256; ++code) {
        for (bool triples : {false, true}) {
            const OpInfo& info = opInfo(static_cast<std::uint8_t>(code));
            CodeBuilder b;
            const double operands[6] = {0.25, 0.5, 0.75, 2, 3, 4};
            for (double x : operands) {
                if (triples)
                    b.triple(x + 10, x + 20, x);
                else
                    b.literal(x);
            }
            const Code bytes = b.op(code).build();
            FormulaContext ctx;
            FrameVariables vars;
            vars.x = 0.3;
            vars.y = 0.2;
            const FormulaValue got = runFormula(ctx, bytes.data(), vars);
            const int width = triples ? 3 : 1;
            const std::string what =
                "code " + std::to_string(code) + (triples ? " on triples" : " on numbers");
            if (info.shape == ResultShape::Inert) {
                EXPECT_EQ(got.isTriple, triples) << what;
                EXPECT_DOUBLE_EQ(got.first, triples ? 14 : 4) << what;
                continue;
            }
            const bool tripleResult =
                info.shape == ResultShape::Triple ||
                (info.shape == ResultShape::Operands && triples && info.values > 0);
            EXPECT_EQ(got.isTriple, tripleResult) << what;
            const int at = (6 - info.args) * width; // lowest slot of the result
            if (tripleResult) {
                EXPECT_EQ(ctx.tripleMark[at + 2], 1) << what;
                EXPECT_TRUE(sameBits(ctx.stack[at + 2], got.first)) << what;
                EXPECT_TRUE(sameBits(ctx.stack[at], got.third)) << what;
            } else {
                EXPECT_EQ(ctx.tripleMark[at], 0) << what;
                EXPECT_TRUE(sameBits(ctx.stack[at], got.first)) << what;
            }
            // The operand just below the result is untouched.
            if (at > 0) {
                const double below = operands[5 - info.args];
                EXPECT_EQ(ctx.stack[at - 1], triples ? below + 10 : below) << what;
            }
        }
    }
}

TEST(InterpreterOperators, NaNIsUnorderedEqualAndLess) {
    struct Case {
        const char* text;
        double x, y;
        double expected;
    } cases[] = {
        {"x == y", kNaN, 1, 1},
        {"x != y", kNaN, 1, 0},
        {"x <> y", 1, kNaN, 0},
        {"x < y", kNaN, 1, 1},
        {"x <= y", 1, kNaN, 1},
        {"x > y", kNaN, 1, 0},
        {"x >= y", 1, kNaN, 0},
        {"x == y", kNaN, kNaN, 1},
        {"x < y", kNaN, kNaN, 1},
        {"x == y", 2, 2, 1},
        {"x == y", 2, 3, 0},
        {"x != y", 2, 3, 1},
        {"x < y", 2, 3, 1},
        {"x < y", 3, 2, 0},
        {"x <= y", 3, 3, 1},
        {"x > y", 3, 2, 1},
        {"x >= y", 2, 3, 0},
        {"x >= y", 3, 3, 1},
        {"x == y", 0, -0.0, 1},
        {"x < y", -kInf, kInf, 1},
        // Tests against zero count a NaN as 0.
        {"not(x)", kNaN, 0, 1},
        {"not(x)", 0, 0, 1},
        {"not(x)", 2, 0, 0},
        {"cond(x, 10, 20)", kNaN, 0, 20},
        {"cond(x, 10, 20)", 0, 0, 20},
        {"cond(x, 10, 20)", -1, 0, 10},
        {"x && y", kNaN, 1, 0},
        {"x and y", 1, 1, 1},
        {"x and y", 1, 0, 0},
        {"x || y", kNaN, 0, 0},
        {"x or y", 0, 3, 1},
        {"x or y", kNaN, -2, 1},
        {"5 - (x and y)", 1, 0, 5}, // both operands are consumed
        {"5 - (x or y)", 0, 0, 5},
        {"x / y", 1, kNaN, kInf},
        {"x / y", -5, 0, kInf},
        {"x / y", 0, 0, kInf},
        {"x / y", 5, -0.0, kInf},
        {"x / y", 6, 4, 1.5},
        {"sign(x)", kNaN, 0, -1},
        {"sign(x)", 0, 0, 1},
        {"sign(x)", -0.5, 0, -1},
        {"sign(x)", -0.0, 0, 1},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = c.x;
        vars.y = c.y;
        EXPECT_EQ(eval(ctx, c.text, vars), c.expected)
            << c.text << " with x=" << c.x << " y=" << c.y;
    }
}

TEST(InterpreterVariables, EachSlotReadsItsValue) {
    FrameVariables vars;
    vars.px = 3;
    vars.py = 4;
    vars.pw = 10;
    vars.ph = 20;
    vars.fw = 11;
    vars.fh = 21;
    vars.i = 7;
    vars.n = 9;
    vars.t = 0.25;
    vars.x = 1.5;
    vars.y = -2.5;
    vars.w = 2;
    vars.h = 3;
    vars.cx = 0.5;
    vars.cy = 0.5;
    vars.jx = 0.125;
    vars.jy = -0.75;
    struct Case {
        Slot slot;
        double expected;
    } cases[] = {
        {Slot::T, 0.25},
        {Slot::X, 1.5},
        {Slot::Y, -2.5},
        {Slot::W, 2},
        {Slot::H, 3},
        {Slot::I, 7},
        {Slot::N, 9},
        {Slot::Fw, 11},
        {Slot::Fh, 21},
        {Slot::Jx, 0.125},
        {Slot::Jy, -0.75},
        {Slot::Px, 3},
        {Slot::Py, 4},
        {Slot::Pw, 10},
        {Slot::Ph, 20},
        {Slot::Cx, 0.5},
        {Slot::Cy, 0.5},
        {Slot::E, std::exp(1.0)},
        {Slot::Pi, std::numbers::pi},
        {Slot::Pi2, 2 * std::numbers::pi},
        // (x - cx, y - cy) = (1, -3): below the axis, so the angle is atan2(3, 1).
        {Slot::A, std::atan2(3.0, 1.0)},
        {Slot::D, std::sqrt(10.0)},
        {Slot::R, 0},
        {Slot::G, 0},
        {Slot::B, 0},
        {Slot::C, 0},
        {Slot::S, 0},
        {Slot::L, 0},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        const Code code = CodeBuilder().variable(c.slot).build();
        EXPECT_NEAR(evaluateFormula(ctx, code.data(), vars), c.expected, 1e-15)
            << "slot " << static_cast<int>(c.slot);
    }
    // Unknown and stray slots push nothing; stray record bytes are skipped.
    for (int slot : {0, 34, 86, 200, 255}) {
        FormulaContext ctx;
        const Code code = CodeBuilder().literal(42).variable(slot).raw(0x12).raw(0xFF).build();
        EXPECT_EQ(evaluateFormula(ctx, code.data(), vars), 42) << "slot " << slot;
    }
}

TEST(InterpreterVariables, SphereCoordinatesAreOnTheUnitSphere) {
    for (int fw : {1, 7, 256}) {
        for (int fh : {1, 5, 200}) {
            FrameVariables vars;
            vars.fw = fw;
            vars.fh = fh;
            for (int px = 0; px < fw; px += 1 + fw / 9) {
                for (int py = 0; py < fh; py += 1 + fh / 9) {
                    vars.px = px;
                    vars.py = py;
                    FormulaContext ctx;
                    const double sx = eval(ctx, "sx", vars);
                    const double sy = eval(ctx, "sy", vars);
                    const double sz = eval(ctx, "sz", vars);
                    EXPECT_NEAR(sx * sx + sy * sy + sz * sz, 1.0, 1e-12)
                        << px << "," << py << " of " << fw << "x" << fh;
                }
            }
        }
    }
    // The top row is the south pole; u = 1/4 turns to the x axis.
    FormulaContext ctx;
    FrameVariables vars;
    vars.fw = 4;
    vars.fh = 2;
    vars.px = 1;
    EXPECT_DOUBLE_EQ(eval(ctx, "sz", vars), -1);
    vars.py = 1;
    EXPECT_NEAR(eval(ctx, "sx", vars), 1, 1e-15);
    EXPECT_NEAR(eval(ctx, "sy", vars), 0, 1e-15);
}

// "?" continues the generator from where constructing the context left it:
// 768 draws from 1, i.e. 16807^768.
TEST(InterpreterVariables, RandomSequenceAfterConstruction) {
    FormulaContext ctx;
    for (int k = 1; k <= 6; ++k) {
        const double expected = powMod(16807, 768 + k) * 4.656612875245797e-10;
        EXPECT_EQ(eval(ctx, "?"), expected) << "draw " << k;
    }
    // Two in one formula draw twice, left to right.
    FormulaContext again;
    const double first = powMod(16807, 769) * 4.656612875245797e-10;
    const double second = powMod(16807, 770) * 4.656612875245797e-10;
    EXPECT_EQ(eval(again, "? - ?"), first - second);
}

TEST(InterpreterContext, IterationLimitHasAFloorOf64) {
    struct Case {
        std::int32_t requested, stored;
    } cases[] = {
        {10, 64},   {63, 64}, {64, 64},        {65, 65},
        {500, 500}, {-5, 64}, {INT32_MIN, 64}, {INT32_MAX, INT32_MAX},
    };
    for (const Case& c : cases) {
        FormulaContext ctx;
        ctx.setIterationLimit(c.requested);
        EXPECT_EQ(ctx.iterationLimit, c.stored) << c.requested;
    }
    FormulaContext fresh;
    EXPECT_EQ(fresh.iterationLimit, 64);
    EXPECT_EQ(fresh.stackTop, 0);
    EXPECT_EQ(fresh.memoX, -2.0);
    EXPECT_EQ(fresh.memoY, -2.0);
}

// Random record streams that pass the compiler's depth check, with hostile
// variable values: the run stays inside the stack (the sanitizer build and the
// debug asserts watch every access), restores stackTop and leaves everything
// below the base and the rest of the context alone.
TEST(InterpreterProperty, ArbitraryCodeStaysInsideTheStack) {
    std::mt19937_64 rng(20240601);
    const double specials[] = {0.0,      -0.0,  1.0,   -1.0,   0.5,          kNaN,
                               kInf,     -kInf, 1e300, -1e300, 2147483648.0, -2147483649.0,
                               4.9e-324, 255.0, 3.0,   64.0};
    auto anyDouble = [&]() {
        if (rng() % 3 == 0) return specials[rng() % std::size(specials)];
        return std::uniform_real_distribution<double>(-300, 300)(rng);
    };
    auto anyInt = [&]() -> std::int32_t {
        const std::int32_t ints[] = {0, 1, -1, 2, 255, INT32_MIN, INT32_MAX, -8388608, 16777217};
        if (rng() % 2) return ints[rng() % std::size(ints)];
        return static_cast<std::int32_t>(rng() % 1000) - 500;
    };

    DibImage source;
    ASSERT_TRUE(source.create(3, 2));
    source.row(1)[2] = 0x00123456;

    int accepted = 0, deepest = 0;
    for (int round = 0; round < 4000; ++round) {
        CodeBuilder b;
        // Rounds differ in how many pushes they mix in, so depths spread up to
        // the limit and past it (those the depth check rejects are skipped).
        const int records = 1 + static_cast<int>(rng() % 60);
        bool usesFractal = false;
        const unsigned pushWeight = 2 + static_cast<unsigned>(rng() % 7);
        for (int r = 0; r < records; ++r) {
            const unsigned pick = static_cast<unsigned>(rng() % (pushWeight + 5));
            if (pick == 0)
                b.variable(static_cast<std::uint8_t>(rng() % 40));
            else if (pick == 1)
                b.raw(static_cast<std::uint8_t>(0x01 + rng() % 0x40)); // a stray byte
            else if (pick < 5) {
                const auto code = static_cast<Op>(rng() % 80);
                usesFractal = usesFractal || code == Op::Mandel || code == Op::Manc ||
                              code == Op::Man3 || code == Op::Julia || code == Op::Dragon;
                b.op(static_cast<std::uint8_t>(code));
            } else
                b.literal(anyDouble());
        }
        const Code code = b.build();
        const int depth = maxStackDepth(code.data());
        if (depth > kStackSize) continue;
        ++accepted;
        deepest = std::max(deepest, depth);

        FrameVariables vars;
        vars.px = anyInt();
        vars.py = anyInt();
        vars.pw = anyInt();
        vars.ph = anyInt();
        vars.fw = anyInt();
        vars.fh = anyInt();
        vars.i = anyInt();
        vars.n = anyInt();
        vars.x = anyDouble();
        vars.y = anyDouble();
        vars.t = anyDouble();
        vars.w = anyDouble();
        vars.h = anyDouble();
        vars.cx = anyDouble();
        vars.cy = anyDouble();
        vars.jx = anyDouble();
        vars.jy = anyDouble();
        if (rng() % 2) vars.source = &source;

        FormulaContext ctx;
        const int base = static_cast<int>(rng() % (kStackSize - depth + 1));
        for (int i = 0; i < base; ++i) {
            ctx.stack[i] = -777.0 - i;
            ctx.tripleMark[i] = (i % 4 == 3);
        }
        ctx.stackTop = base;
        FormulaContext pristine;
        const FormulaValue got = runFormula(ctx, code.data(), vars);

        ASSERT_EQ(ctx.stackTop, base) << "round " << round;
        for (int i = 0; i < base; ++i) {
            ASSERT_EQ(ctx.stack[i], -777.0 - i) << "round " << round << " slot " << i;
            ASSERT_EQ(ctx.tripleMark[i], i % 4 == 3) << "round " << round << " slot " << i;
        }
        ASSERT_EQ(std::memcmp(ctx.noiseT0, pristine.noiseT0, sizeof ctx.noiseT0), 0);
        ASSERT_EQ(std::memcmp(ctx.noiseT1, pristine.noiseT1, sizeof ctx.noiseT1), 0);
        ASSERT_EQ(std::memcmp(ctx.noiseT2, pristine.noiseT2, sizeof ctx.noiseT2), 0);
        ASSERT_EQ(ctx.iterationLimit, 64);
        if (!usesFractal) {
            ASSERT_EQ(ctx.memoCount, 0) << "round " << round;
            ASSERT_EQ(ctx.memoValue, 0.0) << "round " << round;
            ASSERT_EQ(ctx.memoX, -2.0) << "round " << round;
            ASSERT_EQ(ctx.memoY, -2.0) << "round " << round;
        }
        ASSERT_EQ(ctx.fractalStart, 0.0);
        ASSERT_EQ(ctx.twoPi, pristine.twoPi);
        ASSERT_EQ(ctx.eulerE, pristine.eulerE);
        ASSERT_TRUE(got.isTriple == 0 || got.isTriple == 1) << "round " << round;
        if (!got.isTriple) {
            ASSERT_TRUE(sameBits(got.second, got.first)) << "round " << round;
            ASSERT_TRUE(sameBits(got.third, got.first)) << "round " << round;
        }
    }
    // The filter must leave a meaningful sample, reaching the full stack.
    EXPECT_GT(accepted, 2000);
    EXPECT_EQ(deepest, kStackSize);
}

} // namespace
} // namespace trevalin
