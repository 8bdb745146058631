// Gradient noise, its turbulence and fbm over the points of a row, where the
// vector lanes do the work, against the functions point by point: lanes whose cells lie close
// together (read from one run of the table, also where the run wraps past entry 255), far apart,
// near the ends of int32 and outside it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "formula/noise.h"
#include "tests/formula/eval_support.h"
#include "tests/formula/every_target.h"

namespace trevalin {
namespace {

using evaltest::sameResult;

TEST(GradientLanes, RowsMatchTheFunctionsPointByPoint) {
    gradientNoise3(0.5, 0.5, 0.5); // builds the table
    struct Octaves {
        double H, lacunarity, octaves;
    } schedules[] = {{1.0, 2.0, 6.0}, {0.5, 1.9, 3.5}, {0.8, 3.0, 1.0},
                     {1.2, 0.5, 4.0}, {0.0, 1.0, 2.0}, {1.0, 2.0, 0.0}};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double edges[] = {
        2147483647.25, -2147483647.5, 2147483648.0, -2147483649.0,
        1e300,         -0.0,          nan,          std::numeric_limits<double>::infinity()};
    std::mt19937_64 rng(2024);
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    int compared = 0;
    for (int round = 0; round < 240; ++round) {
        const Octaves& o = schedules[round % std::size(schedules)];
        const int n = 1 + static_cast<int>(rng() % 70);
        // The cells of a vector's lanes span 0 to 9: up to the run one lookup
        // reads (lanes - 2) and past it, where each lane's entries are fetched.
        const int shape = round % 5;
        const double cell = std::floor(uniform(-600.0, 600.0));
        const double span = static_cast<double>(rng() % 10);
        const double step = shape == 3 ? std::ldexp(1.0, -static_cast<int>(rng() % 8)) : 0.0;
        std::vector<double> x(n), y(n), z(n), H(n, o.H), lac(n, o.lacunarity),
            octaves(n, o.octaves), out(n);
        const double rowY = uniform(-50.0, 50.0), rowZ = round % 3 ? 0.5 : uniform(-9.0, 9.0);
        for (int i = 0; i < n; ++i) {
            switch (shape) {
            case 0: x[i] = cell + uniform(0.0, 1.0); break;
            case 1: x[i] = cell + uniform(0.0, span + 1.0); break;
            case 2: x[i] = uniform(-1e4, 1e4); break;
            case 3: x[i] = cell + step * i; break; // a pass's grid
            default:
                x[i] = rng() % 4 == 0 ? edges[rng() % std::size(edges)] : cell + uniform(0.0, 3.0);
                break;
            }
            // Now and then points off the row, which the vector lanes leave alone.
            y[i] = round % 7 == 6 && i % 2 ? uniform(-50.0, 50.0) : rowY;
            z[i] = rowZ;
        }
        lanetest::onEveryTarget([&] {
            fbmLanes(x.data(), y.data(), z.data(), H.data(), lac.data(), octaves.data(), out.data(),
                     n);
            for (int i = 0; i < n; ++i, ++compared) {
                const double expected = fbm(x[i], y[i], z[i], o.H, o.lacunarity, o.octaves);
                ASSERT_TRUE(sameResult(out[i], expected))
                    << "fbm, round " << round << " lane " << i << " of " << n << " at x " << x[i]
                    << ": " << out[i] << " against " << expected;
            }
            // In place, as the interpreter calls them.
            const struct {
                const char* name;
                void (*lanes)(const double*, const double*, const double*, double*, int);
                double (*one)(double, double, double);
            } functions[] = {{"gnoise", gradientNoise3Lanes, gradientNoise3},
                             {"gturb", gradientTurbulence3Lanes, gradientTurbulence3}};
            for (const auto& f : functions) {
                std::vector<double> inPlace = x;
                f.lanes(inPlace.data(), y.data(), z.data(), inPlace.data(), n);
                for (int i = 0; i < n; ++i, ++compared) {
                    const double expected = f.one(x[i], y[i], z[i]);
                    ASSERT_TRUE(sameResult(inPlace[i], expected))
                        << f.name << ", round " << round << " lane " << i << " of " << n << " at x "
                        << x[i] << ": " << inPlace[i] << " against " << expected;
                }
            }
        });
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(compared, 240 * 90);
}

// On the lattice lines (y and z whole) the noise is a signed zero wherever x
// is whole too, and -0 at x = -0: its sign shows in 1 / gnoise3d.
TEST(GradientLanes, SignedZerosOnTheLatticeLinesMatch) {
    gradientNoise3(0.5, 0.5, 0.5); // builds the table
    const double xs[] = {-0.0, 0.0, -1.0, 1.0, -2.0, 3.0, -0.25, 0.75, -0.0, -0.0, 2.0, -1.5};
    const int n = static_cast<int>(std::size(xs));
    int compared = 0;
    lanetest::onEveryTarget([&] {
        for (int j = -20; j <= 20; ++j)
            for (int k = -20; k <= 20; ++k) {
                const std::vector<double> y(n, j == 0 ? -0.0 : j), z(n, k);
                std::vector<double> out(xs, xs + n);
                gradientNoise3Lanes(out.data(), y.data(), z.data(), out.data(), n);
                for (int i = 0; i < n; ++i, ++compared) {
                    const double expected = gradientNoise3(xs[i], y[i], z[i]);
                    ASSERT_TRUE(sameResult(out[i], expected))
                        << "x " << xs[i] << " y " << y[i] << " z " << z[i] << ": " << out[i]
                        << " against " << expected;
                }
            }
    });
    EXPECT_GT(compared, 41 * 41 * n);
}

} // namespace
} // namespace trevalin
