// The vector value noise and turbulence of a row, in two and three
// dimensions, against the functions point by point, over noise tables that
// hold the generator's awkward seeds (0, negatives, the modulus and its
// multiples) and at x where the octaves' cells reach the ends of int32.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "formula/formula_context.h"
#include "formula/noise.h"
#include "tests/formula/eval_support.h"
#include "tests/formula/every_target.h"

namespace trevalin {
namespace {

using evaltest::sameResult;

TEST(TurbulenceLanes, RowsMatchTurbulenceOnAwkwardTables) {
    constexpr std::int32_t kModulus = 2147483647;
    const std::int32_t seeds[] = {0,      1,       -1,    kModulus, -kModulus,  -kModulus - 1,
                                  127773, -127773, 16807, 1 << 30,  -(1 << 30), kModulus - 1};
    // x / 2^-7 lands near 2^31 here, on either side.
    const double edges[] = {16777215.99,
                            16777216.0,
                            -16777216.01,
                            16777215.0,
                            8388608.0,
                            2147483647.5,
                            -2147483648.0,
                            1e300,
                            -0.0,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity()};
    std::mt19937 rng(77);
    FormulaContext ctx;
    int compared = 0;
    for (int round = 0; round < 60; ++round) {
        for (int i = 0; i < kNoiseTableSize; ++i) {
            ctx.noiseT0[i] =
                rng() % 3 == 0 ? seeds[rng() % std::size(seeds)] : static_cast<std::int32_t>(rng());
            ctx.noiseT1[i] =
                rng() % 3 == 0 ? seeds[rng() % std::size(seeds)] : static_cast<std::int32_t>(rng());
            ctx.noiseT2[i] =
                rng() % 3 == 0 ? seeds[rng() % std::size(seeds)] : static_cast<std::int32_t>(rng());
        }
        // A seed and its partner in the other table that XOR to the awkward ones.
        ctx.noiseT1[0] = 0;
        const int n = 1 + static_cast<int>(rng() % 37);
        double x[37], y[37], z[37], out[37];
        const double rowY = round % 4 == 0
                                ? edges[rng() % std::size(edges)]
                                : std::uniform_real_distribution<double>(-400.0, 400.0)(rng);
        // z whole now and then, where noise3 takes only its first plane.
        const double rowZ = round % 5 == 0 ? edges[rng() % std::size(edges)]
                            : round % 5 == 1
                                ? static_cast<double>(rng() % 600) - 300.0
                                : std::uniform_real_distribution<double>(-50.0, 50.0)(rng);
        for (int i = 0; i < n; ++i) {
            x[i] = rng() % 4 == 0 ? edges[rng() % std::size(edges)]
                                  : std::uniform_real_distribution<double>(-300.0, 300.0)(rng);
            y[i] = rowY;
            // Now and then points off the row, which take the one-point path.
            z[i] = round % 7 == 6 && i % 2 ? rowZ + 1.5 : rowZ;
        }
        const struct {
            const char* name;
            void (*lanes)(const FormulaContext&, const double*, const double*, double*, int);
            double (*one)(const FormulaContext&, double, double);
        } functions[] = {{"turb", turbulence2Lanes, turbulence2}, {"noise", noise2Lanes, noise2}};
        const struct {
            const char* name;
            void (*lanes)(const FormulaContext&, const double*, const double*, const double*,
                          double*, int);
            double (*one)(const FormulaContext&, double, double, double);
        } functions3[] = {{"turb3d", turbulence3Lanes, turbulence3},
                          {"noise3d", noise3Lanes, noise3}};
        lanetest::onEveryTarget([&] {
            for (const auto& f : functions) {
                f.lanes(ctx, x, y, out, n);
                for (int i = 0; i < n; ++i, ++compared)
                    ASSERT_TRUE(sameResult(out[i], f.one(ctx, x[i], y[i])))
                        << f.name << ", round " << round << " at " << x[i] << ", " << y[i] << ": "
                        << out[i] << " against " << f.one(ctx, x[i], y[i]);
            }
            for (const auto& f : functions3) {
                f.lanes(ctx, x, y, z, out, n);
                for (int i = 0; i < n; ++i, ++compared)
                    ASSERT_TRUE(sameResult(out[i], f.one(ctx, x[i], y[i], z[i])))
                        << f.name << ", round " << round << " at " << x[i] << ", " << y[i] << ", "
                        << z[i] << ": " << out[i] << " against " << f.one(ctx, x[i], y[i], z[i]);
            }
        });
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(compared, 60 * 4);
}

// With no lanes the functions read nothing (the arguments are null) and write
// nothing.
TEST(NoiseLanes, NoLanesReadOrWriteNothing) {
    gradientNoise3(0.5, 0.5, 0.5); // the table fbm's lanes need
    const FormulaContext ctx;
    const double* none = nullptr;
    double out[1] = {7.0};
    for (const int n : {0, -1}) {
        noise2Lanes(ctx, none, none, out, n);
        turbulence2Lanes(ctx, none, none, out, n);
        noise3Lanes(ctx, none, none, none, out, n);
        turbulence3Lanes(ctx, none, none, none, out, n);
        gradientNoise3Lanes(none, none, none, out, n);
        gradientTurbulence3Lanes(none, none, none, out, n);
        fbmLanes(none, none, none, none, none, none, out, n);
        EXPECT_EQ(out[0], 7.0) << n << " lanes";
    }
}

} // namespace
} // namespace trevalin
