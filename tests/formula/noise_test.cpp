// Value noise, gradient noise and their sums, the s-curve and blends. The
// gradient table is process-wide and built on first use, so nothing here
// depends on whether an earlier test built it; the one fact that does (the
// reseed of the generator on first use) is checked in a fresh process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>

#include "eval_support.h"
#include "formula/arith.h"
#include "formula/noise.h"
#include "formula/random_state.h"

namespace trevalin {
namespace {

using namespace evaltest;

constexpr double kDrawScale = 4.656612875245797e-10;

// The n-th state after seed, by modular power rather than by stepping.
std::int32_t stateAfter(std::int64_t seed, std::uint64_t draws) {
    return static_cast<std::int32_t>(static_cast<std::uint64_t>(seed) *
                                     static_cast<std::uint64_t>(powMod(16807, draws)) %
                                     2147483647u);
}

TEST(NoiseTables, FilledFromTheGeneratorStartingAtOne) {
    FormulaContext ctx;
    EXPECT_EQ(ctx.noiseT0[0], 16807);
    EXPECT_EQ(ctx.noiseT1[0], 282475249);
    EXPECT_EQ(ctx.noiseT2[0], 1622650073);
    EXPECT_EQ(ctx.noiseT0[1], 984943658);
    for (int i = 0; i < kNoiseTableSize; ++i) {
        EXPECT_EQ(ctx.noiseT0[i], powMod(16807, 3 * i + 1)) << i;
        EXPECT_EQ(ctx.noiseT1[i], powMod(16807, 3 * i + 2)) << i;
        EXPECT_EQ(ctx.noiseT2[i], powMod(16807, 3 * i + 3)) << i;
    }
    EXPECT_EQ(RandomState::get(), powMod(16807, 768));
    // A second context gets the same tables and resets the generator again.
    RandomState::set(12345);
    FormulaContext other;
    EXPECT_EQ(std::memcmp(other.noiseT2, ctx.noiseT2, sizeof ctx.noiseT2), 0);
    EXPECT_EQ(RandomState::get(), powMod(16807, 768));
}

TEST(RandomStateTest, StepsAndZeroState) {
    struct Case {
        std::int32_t state;
    } cases[] = {{1}, {16807}, {2147483646}, {123456789}, {665}, {2147483647}};
    for (const Case& c : cases) {
        RandomState::set(c.state);
        const std::int32_t expected = stateAfter(c.state, 1);
        EXPECT_EQ(RandomState::nextInt(), expected == 0 ? 2147483647 : expected) << c.state;
        EXPECT_EQ(RandomState::get(), expected == 0 ? 2147483647 : expected) << c.state;
    }
    RandomState::set(0); // a zero state would be stuck at zero
    EXPECT_EQ(RandomState::get(), 1);
    EXPECT_EQ(RandomState::nextReal(), 16807 * kDrawScale);
    // Any int32 state steps without overflow (the sanitizer build checks this).
    for (std::int32_t s : {INT32_MIN, -1, -127773, INT32_MAX}) {
        const std::int32_t next = RandomState::step(s);
        EXPECT_GT(next, 0) << s;
    }
}

TEST(ValueNoise, KnownValuesAndSymmetry) {
    FormulaContext ctx;
    // noise(0, 0) is the lattice draw seeded by T0[0] xor T1[0].
    const double corner = stateAfter(16807 ^ 282475249, 1) * kDrawScale;
    EXPECT_EQ(noise2(ctx, 0, 0), corner);
    EXPECT_NEAR(noise2(ctx, 0, 0), 0.8846230194, 1e-10);
    EXPECT_NEAR(noise2(ctx, 0.5, 0.5), 0.5961092395, 1e-10);

    struct Case {
        double x, y;
    } cases[] = {{0.3, 0.7}, {12.25, 3.5}, {1000.1, 0.01}, {255.5, 256.5}, {0, 7.75}};
    for (const Case& c : cases) {
        const double v = noise2(ctx, c.x, c.y);
        EXPECT_EQ(noise2(ctx, -c.x, c.y), v) << c.x << "," << c.y;
        EXPECT_EQ(noise2(ctx, c.x, -c.y), v) << c.x << "," << c.y;
        EXPECT_EQ(noise3(ctx, -c.x, c.y, -2.5), noise3(ctx, c.x, -c.y, 2.5)) << c.x << "," << c.y;
    }
    // At lattice points the noise is the lattice value.
    for (int i : {0, 3, 255, 256, 70000}) {
        EXPECT_EQ(noise2(ctx, i, 4), valueLattice2(ctx, i, 4)) << i;
        EXPECT_EQ(noise3(ctx, 4, i, 9), valueLattice3(ctx, 4, i, 9)) << i;
    }
    // Looking up the lattice leaves the generator where it was.
    const std::int32_t before = RandomState::get();
    noise3(ctx, 1.5, 2.5, 3.5);
    EXPECT_EQ(RandomState::get(), before);
}

TEST(ValueNoise, PlaneZSkipsTheUpperPlane) {
    FormulaContext ctx;
    for (double x : {0.25, 3.6, 17.01}) {
        for (double y : {0.5, 9.9}) {
            const std::int64_t i = truncToInt32(x), j = truncToInt32(y);
            const double sx = sCurve(x - i), sy = sCurve(y - j);
            const double lower =
                (1 - sx) * valueLattice3(ctx, i, j, 2) + sx * valueLattice3(ctx, i + 1, j, 2);
            const double upper = (1 - sx) * valueLattice3(ctx, i, j + 1, 2) +
                                 sx * valueLattice3(ctx, i + 1, j + 1, 2);
            EXPECT_NEAR(noise3(ctx, x, y, 2.0), (1 - sy) * lower + sy * upper, 1e-15)
                << x << "," << y;
        }
    }
}

TEST(ValueNoise, RangesOverRandomPoints) {
    FormulaContext ctx;
    std::mt19937_64 rng(99);
    std::uniform_real_distribution<double> coord(-500, 500);
    for (int k = 0; k < 2000; ++k) {
        const double x = coord(rng), y = coord(rng), z = coord(rng);
        const double n2 = noise2(ctx, x, y), n3 = noise3(ctx, x, y, z);
        EXPECT_TRUE(n2 > 0 && n2 <= 1) << x << "," << y << " gave " << n2;
        EXPECT_TRUE(n3 > 0 && n3 <= 1) << x << "," << y << "," << z << " gave " << n3;
        const double t = turbulence2(ctx, x, y);
        EXPECT_TRUE(t > -1 && t <= 0.9921875) << x << "," << y << " gave " << t;
    }
}

// Coordinates past the int32 range still land in the tables (the sanitizer
// build checks the indices); lattice indices reduce |i| mod 256.
TEST(ValueNoise, HugeCoordinatesStayInTheTables) {
    FormulaContext ctx;
    struct Case {
        std::int64_t i, sameAs;
    } cases[] = {
        {256, 0},         {-5, 5}, {-261, 5}, {INT32_MIN, 0}, {std::int64_t{INT32_MAX} + 1, 0},
        {INT32_MAX, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(valueLattice2(ctx, c.i, 7), valueLattice2(ctx, c.sameAs, 7)) << c.i;
        EXPECT_EQ(valueLattice3(ctx, 7, c.i, c.i), valueLattice3(ctx, 7, c.sameAs, c.sameAs))
            << c.i;
    }
    const double edge = noise2(ctx, 2147483647.5, 0);
    EXPECT_TRUE(edge > 0 && edge <= 1) << edge;
    for (double v : {1e10, -1e300, kInf, kNaN, -2147483648.5}) {
        const double a = noise2(ctx, v, 1.5), b = noise3(ctx, 2.5, v, v);
        const double c = turbulence3(ctx, v, v, 0.5), d = gradientNoise3(v, 0.5, -v);
        // Deterministic, whatever the value: the same bits on a second call.
        EXPECT_TRUE(sameBits(a, noise2(ctx, v, 1.5))) << v;
        EXPECT_TRUE(sameBits(b, noise3(ctx, 2.5, v, v))) << v;
        EXPECT_TRUE(sameBits(c, turbulence3(ctx, v, v, 0.5))) << v;
        EXPECT_TRUE(sameBits(d, gradientNoise3(v, 0.5, -v))) << v;
    }
}

TEST(ValueNoise, TurbulenceSumsEightOctaves) {
    FormulaContext ctx;
    for (double x : {0.3, 5.55, -12.0}) {
        const double y = 0.7, z = 1.3;
        double sum2 = -1, sum3 = -1, gsum = 0;
        for (int k = 0; k < 8; ++k) {
            const double f = std::ldexp(1.0, k), s = std::ldexp(1.0, -k);
            sum2 = sum2 + s * noise2(ctx, x * f, y * f);
            sum3 = sum3 + s * noise3(ctx, x * f, y * f, z * f);
            gsum = gsum + s * gradientNoise3(x * f, y * f, z * f);
        }
        EXPECT_EQ(turbulence2(ctx, x, y), sum2) << x;
        EXPECT_EQ(turbulence3(ctx, x, y, z), sum3) << x;
        EXPECT_EQ(gradientTurbulence3(x, y, z), gsum * 0.5) << x;
        FrameVariables vars;
        vars.x = x;
        EXPECT_EQ(eval(ctx, "turb(x, 0.7)", vars), sum2) << x;
        EXPECT_EQ(eval(ctx, "gturb3d(x, 0.7, 1.3)", vars), gsum * 0.5) << x;
    }
}

// The table holds, in order, unit vectors from pairs of draws seeded by 665;
// recomputed here from the modular powers of the generator.
TEST(GradientNoise, TableComesFromSeed665) {
    for (int e = 0; e < 256; ++e) {
        const double r1 = stateAfter(665, 2 * e + 1) * kDrawScale;
        const double r2 = stateAfter(665, 2 * e + 2) * kDrawScale;
        const double z = 1 - 2 * r1;
        const double rho = std::sqrt(1 - z * z);
        const double theta = 6.283185307179586 * r2;
        double gx, gy, gz;
        gradientEntry(e, gx, gy, gz);
        EXPECT_EQ(gx, rho * std::cos(theta)) << e;
        EXPECT_EQ(gy, rho * std::sin(theta)) << e;
        EXPECT_EQ(gz, z) << e;
        EXPECT_NEAR(gx * gx + gy * gy + gz * gz, 1, 1e-12) << e;
    }
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz);
    EXPECT_NEAR(gx, -0.1417861, 5e-8);
    EXPECT_NEAR(gy, 0.0246271, 5e-8);
    EXPECT_NEAR(gz, 0.9895909, 5e-8);
}

TEST(GradientNoise, KnownValueAndZeroAtLatticePoints) {
    EXPECT_NEAR(gradientNoise3(0.5, 0.5, 0.5), -0.1421610, 5e-8);
    struct Case {
        double x, y, z;
    } cases[] = {{0, 0, 0}, {3, -2, 7}, {-1, -1, -1}, {255, 256, -257}, {-2147483648.0, 5, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(gradientNoise3(c.x, c.y, c.z), 0) << c.x << "," << c.y << "," << c.z;
    // Negative coordinates floor, so the cells on both sides of 0 differ.
    EXPECT_NE(gradientNoise3(-0.5, 0.5, 0.5), gradientNoise3(0.5, 0.5, 0.5));
    FormulaContext ctx;
    EXPECT_EQ(eval(ctx, "gnoise3d(0.5, 0.5, 0.5)"), gradientNoise3(0.5, 0.5, 0.5));
}

void firstGradientUseReseeds() {
    if (gradientTableBuilt()) {
        std::fprintf(stderr, "the gradient table was built before the test\n");
        std::exit(3);
    }
    FormulaContext ctx;
    const double plain = eval(ctx, "?"); // without gradient noise
    FormulaContext again;
    eval(again, "gnoise3d(0.5, 0.5, 0.5)");
    if (RandomState::get() != stateAfter(665, 512)) {
        std::fprintf(stderr, "state %d after the first gradient use\n", RandomState::get());
        std::exit(1);
    }
    const double after = eval(again, "?");
    if (after != stateAfter(665, 513) * kDrawScale || after == plain) {
        std::fprintf(stderr, "? gave %.17g after the first gradient use\n", after);
        std::exit(2);
    }
    // Once built, the table is not built again: the state moves on normally.
    gradientNoise3(1.5, 2.5, 3.5);
    std::exit(RandomState::get() == stateAfter(665, 513) ? 0 : 4);
}

// "threadsafe" re-runs the test binary for this one test, so the table is
// certainly not built yet in the process that checks it.
TEST(GradientNoiseDeathTest, FirstUseReseedsTheGenerator) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(firstGradientUseReseeds(), testing::ExitedWithCode(0), "");
}

TEST(FractionalBrownianMotion, OctaveCounts) {
    const double x = 0.3, y = 0.45, z = 0.6, H = 0.8, lac = 2.1;
    // The points of the first three octaves, multiplied up as fbm does.
    double px[3] = {x}, py[3] = {y}, pz[3] = {z}, f[3] = {1};
    for (int k = 1; k < 3; ++k) {
        px[k] = px[k - 1] * lac;
        py[k] = py[k - 1] * lac;
        pz[k] = pz[k - 1] * lac;
        f[k] = f[k - 1] * lac;
    }
    const double g0 = gradientNoise3(px[0], py[0], pz[0]);
    const double g1 = gradientNoise3(px[1], py[1], pz[1]);
    const double g2 = gradientNoise3(px[2], py[2], pz[2]);
    const double w1 = std::pow(f[1], -H), w2 = std::pow(f[2], -H);
    struct Case {
        double octaves;
        double expected;
    } cases[] = {
        {-3, g0},
        {0, g0},
        {0.5, g0},
        {1, g0}, // the extra pass adds weight 0
        {1.5, g0 + (w1 * 0.5) * g1},
        {2, g0 + w1 * g1},
        {2.5, g0 + w1 * g1 + (w2 * 0.5) * g2},
        {3, g0 + w1 * g1 + w2 * g2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fbm(x, y, z, H, lac, c.octaves), c.expected) << "octaves " << c.octaves;
    FormulaContext ctx;
    EXPECT_EQ(eval(ctx, "fbm(0.3, 0.45, 0.6, 0.8, 2.1, 2)"), g0 + w1 * g1);
}

TEST(FractionalBrownianMotion, StopsWhenTheWeightIsNegligible) {
    const double x = 0.3, y = 0.45, z = 0.6;
    // With H = 40 the first extra weight, 2^-40, is already below 1e-11.
    const double expected =
        gradientNoise3(x, y, z) + std::pow(2.0, -40.0) * gradientNoise3(2 * x, 2 * y, 2 * z);
    EXPECT_EQ(fbm(x, y, z, 40, 2, 10), expected);
    EXPECT_EQ(fbm(x, y, z, 40, 2, 1e300), expected);
}

// A lacunarity of 1 keeps every weight at 1, so only the octave count ends
// the loop; counts past 65537 stop there instead of running (almost) forever.
TEST(FractionalBrownianMotion, WeightsThatNeverShrinkStillEnd) {
    const double x = 0.3, y = 0.45, z = 0.6;
    const double g = gradientNoise3(x, y, z);
    auto repeated = [&](int terms) {
        double sum = g;
        for (int k = 0; k < terms; ++k)
            sum = sum + g;
        return sum;
    };
    struct Case {
        double octaves;
        int fullTerms;
    } cases[] = {
        {1000, 999}, {65537, 65536}, {65538, 65536}, {1e300, 65536}, {kInf, 65536},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fbm(x, y, z, 0, 1, c.octaves), repeated(c.fullTerms)) << c.octaves;
    // A NaN count is neither below 0 nor below 1: one full pass, then the
    // NaN fails the loop test.
    EXPECT_EQ(fbm(x, y, z, 0, 1, kNaN), g + g);
}

TEST(EaseAndBlend, Values) {
    struct EaseCase {
        FormulaValue in, out;
    } eases[] = {
        {numberValue(0.5), numberValue(0.5)}, {numberValue(2), numberValue(-4)},
        {numberValue(0), numberValue(0)},     {numberValue(1), numberValue(1)},
        {numberValue(-1), numberValue(5)},    {tripleValue(0.5, 2, 1), tripleValue(0.5, -4, 1)},
    };
    for (const EaseCase& c : eases) {
        const FormulaValue got = ease(c.in);
        EXPECT_EQ(got.isTriple, c.out.isTriple) << c.in.first;
        EXPECT_EQ(got.first, c.out.first) << c.in.first;
        EXPECT_EQ(got.second, c.out.second) << c.in.first;
        EXPECT_EQ(got.third, c.out.third) << c.in.first;
    }
    struct BlendCase {
        const char* text;
        double t;
        FormulaValue out;
    } blends[] = {
        {"terpt(2, 6, -3)", 0, numberValue(2)},
        {"terpt(2, 6, 7)", 0, numberValue(6)},
        {"terpt(2, 6, 0.25)", 0, numberValue(3)},
        {"terpt(2, 6, x)", 0, numberValue(2)}, // x is NaN: weight 0
        {"terp(2, 6)", 0.75, numberValue(5)},
        {"terp(2, 6)", 1.5, numberValue(6)},
        {"terp(rgb(0, 4, 8), 4)", 0.5, tripleValue(2, 4, 6)},
        {"terp(4, rgb(0, 4, 8))", 0.25, tripleValue(3, 4, 5)},
        {"terpt(rgb(0, 4, 8), rgb(8, 4, 0), 0.5)", 0, tripleValue(4, 4, 4)},
    };
    for (const BlendCase& c : blends) {
        FormulaContext ctx;
        FrameVariables vars;
        vars.x = kNaN;
        vars.t = c.t;
        const FormulaValue got = run(ctx, c.text, vars);
        EXPECT_EQ(got.isTriple, c.out.isTriple) << c.text;
        EXPECT_EQ(got.first, c.out.first) << c.text;
        EXPECT_EQ(got.second, c.out.second) << c.text;
        EXPECT_EQ(got.third, c.out.third) << c.text;
    }
}

} // namespace
} // namespace trevalin
