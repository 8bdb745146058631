// The escape-time lanes against the scalar iteration, bit for bit, and the
// prefetch that hands their results to the fractal functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "formula/escape_lanes.h"
#include "formula/escape_results.h"
#include "formula/formula_context.h"
#include "formula/fractals.h"
#include "formula/memo_chain.h"
#include "tests/formula/every_target.h"

namespace trevalin {
namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The square lanes over the points against the scalar loop, point by point:
// the same counts, and the same escape sizes where a point escapes; without
// sizes asked for (the lanes then skip keeping them), the same counts.
void expectSquareLanesMatchScalar(const std::vector<double>& zx, const std::vector<double>& zy,
                                  const std::vector<double>& cx, const std::vector<double>& cy,
                                  std::int32_t limit, double bound) {
    const int n = static_cast<int>(zx.size());
    std::vector<std::int32_t> counts(zx.size(), -1), countsAlone(zx.size(), -1);
    std::vector<double> sizes(zx.size(), -1.0);
    iterateSquareLanes(zx.data(), zy.data(), cx.data(), cy.data(), n, limit, bound, counts.data(),
                       sizes.data());
    iterateSquareLanes(zx.data(), zy.data(), cx.data(), cy.data(), n, limit, bound,
                       countsAlone.data(), nullptr);
    ASSERT_EQ(countsAlone, counts) << n << " points, limit " << limit << " bound " << bound;
    for (int i = 0; i < n; ++i) {
        double size = -1.0;
        const std::int32_t count =
            iterateSquareScalar(zx[i], zy[i], cx[i], cy[i], limit, bound, size);
        ASSERT_EQ(counts[i], count)
            << "point " << i << " of " << n << " limit " << limit << " bound " << bound << " z "
            << zx[i] << "," << zy[i] << " c " << cx[i] << "," << cy[i];
        if (count != 0) {
            ASSERT_TRUE(sameBits(sizes[i], size))
                << "point " << i << " of " << n << ": " << sizes[i] << " vs " << size;
        }
    }
}

// The cube and dragon lanes over the points against their scalar loops, point
// by point.
void expectCubeAndDragonLanesMatchScalar(const std::vector<double>& cx,
                                         const std::vector<double>& cy, std::int32_t limit,
                                         double start, double jx, double jy) {
    const int n = static_cast<int>(cx.size());
    std::vector<std::int32_t> cube(cx.size(), -1), dragon(cx.size(), -1);
    iterateCubeLanes(cx.data(), cy.data(), n, limit, start, cube.data());
    iterateDragonLanes(cx.data(), cy.data(), n, limit, jx, jy, dragon.data());
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(cube[i], iterateCubeScalar(cx[i], cy[i], limit, start))
            << "man3 lane " << i << " of " << n << " at " << cx[i] << "," << cy[i] << " limit "
            << limit << " start " << start;
        ASSERT_EQ(dragon[i], iterateDragonScalar(cx[i], cy[i], limit, jx, jy))
            << "dragon lane " << i << " of " << n << " at " << cx[i] << "," << cy[i] << " limit "
            << limit << " z0 " << jx << "," << jy;
    }
}

TEST(EscapeLanes, EveryLaneMatchesTheScalarIteration) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> plane(-2.2, 2.2);
    struct Setting {
        std::int32_t limit;
        double bound;
    } settings[] = {{64, 4.0}, {256, 4.0}, {1000, 10000.0}, {1, 4.0}, {0, 4.0}};
    for (const Setting& s : settings) {
        for (int n : {1, 2, 3, 7, 8, 9, 17, 64, 101}) {
            std::vector<double> zx(n), zy(n), cx(n), cy(n);
            for (int i = 0; i < n; ++i) {
                zx[i] = i % 3 == 0 ? 0.0 : plane(rng);
                zy[i] = i % 3 == 0 ? 0.0 : plane(rng);
                cx[i] = plane(rng);
                cy[i] = plane(rng);
            }
            // Points that never escape, escape at once, or are not numbers.
            const double specials[][4] = {
                {0, 0, 0, 0}, {0, 0, -1, 0},      {0, 0, nan, 0.1},   {inf, 0, 0.1, 0},
                {0, 0, 2, 2}, {-0.0, 0, 0.25, 0}, {0, 0, -0.75, 0.1}, {1e300, 1e300, 0, 0}};
            for (int i = 0; i < n && i < 8; ++i) {
                const int k = (i * 5 + n) % 8;
                zx[i] = specials[k][0];
                zy[i] = specials[k][1];
                cx[i] = specials[k][2];
                cy[i] = specials[k][3];
            }
            expectSquareLanesMatchScalar(zx, zy, cx, cy, s.limit, s.bound);
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

// man3 and dragon lanes against their scalar loops, with the start value and
// the dragon's z0 varied, over random points and points that never escape,
// escape at once, overflow or are not numbers.
TEST(EscapeLanes, CubeAndDragonLanesMatchTheScalarLoops) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double big = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> plane(-2.5, 2.5);
    const double edges[][2] = {{0, 0},    {-0.0, 0},   {nan, 0.1}, {0.2, nan},  {inf, 0},
                               {0, -inf}, {big, big},  {tiny, 0},  {2, 2},      {-1, 0},
                               {0.25, 0}, {1e-300, 1}, {1, 1e-17}, {-0.5, 0.5}, {1e154, 0}};
    struct Setting {
        std::int32_t limit;
        double start, jx, jy;
    } settings[] = {{64, 0.0, 0.5, 0.0},       {300, 0.0, -0.8, 0.156}, {1000, 0.1, 0.5, 0.5},
                    {1, 0.0, 0.0, 0.0},        {0, 0.0, 0.5, 0.0},      {50, nan, nan, 0.3},
                    {200, -0.0, 1e-300, -0.0}, {40, 1.5, 2.0, 2.0}};
    for (const Setting& s : settings) {
        for (int n : {1, 2, 3, 5, 8, 9, 16, 31, 64, 97}) {
            std::vector<double> cx(n), cy(n);
            for (int i = 0; i < n; ++i) {
                cx[i] = plane(rng);
                cy[i] = plane(rng);
            }
            // Edge points at places that move with n, so they fill every lane position.
            const int edgeCount = static_cast<int>(std::size(edges));
            for (int i = 0; i < n && i < edgeCount; ++i) {
                const int k = (i * 7 + n) % edgeCount;
                const int at = (i * 3 + n / 2) % n;
                cx[at] = edges[k][0];
                cy[at] = edges[k][1];
            }
            expectCubeAndDragonLanesMatchScalar(cx, cy, s.limit, s.start, s.jx, s.jy);
            if (testing::Test::HasFatalFailure()) return;
        }
    }
}

using lanetest::onEveryTarget;

// Points chosen so neighbours stop at very different steps: at once, after a
// few, after hundreds (near the cusp at 0.25), never, or are not numbers at all.
struct PointMaker {
    std::mt19937_64 rng;
    double operator()() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const double specials[] = {nan,
                                   -nan,
                                   inf,
                                   -inf,
                                   1e300,
                                   -1e300,
                                   -0.0,
                                   0.0,
                                   1e154,
                                   2e-308,
                                   std::numeric_limits<double>::denorm_min()};
        std::uniform_real_distribution<double> plane(-2.2, 2.2), unit(0.0, 1.0);
        switch (rng() % 8) {
        case 0: return specials[rng() % std::size(specials)];
        case 1: return 3.0 + unit(rng);                               // outside: a step or two
        case 2: return 0.25 + std::pow(10.0, -1.0 - 4.0 * unit(rng)); // the cusp: long orbits
        case 3: return -0.75 + 1e-3 * unit(rng);
        case 4: return 0.0;
        default: return plane(rng);
        }
    }
};

// Lengths that give every shape of the last, partly filled vectors, and some
// that cross the stack chunk the kernels take points in.
std::vector<int> raggedLengths() {
    std::vector<int> lengths;
    for (int n = 1; n <= 70; ++n)
        lengths.push_back(n);
    for (int n : {255, 256, 257, 300, 511, 512, 513, 600, 1100})
        lengths.push_back(n);
    return lengths;
}

TEST(EscapeLanes, SquareLanesMatchTheScalarIterationForEveryTargetAndLength) {
    struct Setting {
        std::int32_t limit;
        double bound;
    } settings[] = {{256, 4.0},
                    {1000, 10000.0},
                    {255, 4.0},
                    {9, 4.0},
                    {8, 4.0},
                    {7, 4.0},
                    {1, 4.0},
                    {2, 10000.0},
                    {0, 4.0},
                    {-3, 4.0},
                    {300, 0.0},
                    {40, std::numeric_limits<double>::quiet_NaN()},
                    {std::numeric_limits<std::int32_t>::max() - 1, 4.0}};
    onEveryTarget([&] {
        PointMaker point{std::mt19937_64(23)};
        for (const Setting& s : settings) {
            // The largest limit only with points that escape, or the scalar loop runs for ages.
            const bool huge = s.limit > 100000;
            for (int n : raggedLengths()) {
                std::vector<double> zx(n), zy(n), cx(n), cy(n);
                for (int i = 0; i < n; ++i) {
                    const bool julia = point.rng() % 2;
                    zx[i] = julia ? point() : 0.0;
                    zy[i] = julia ? point() * 0.5 : 0.0;
                    cx[i] = point();
                    cy[i] = point.rng() % 3 ? 0.0 : point() * 0.1;
                    if (huge) {
                        zx[i] = zy[i] = cy[i] = 0.0;
                        cx[i] = i % 3 ? 0.25 + 1e-4 * (1 + i % 5) : 3.0;
                    }
                }
                expectSquareLanesMatchScalar(zx, zy, cx, cy, s.limit, s.bound);
                if (testing::Test::HasFatalFailure()) return;
            }
        }
    });
}

// Rows of a picture as renders hand them over, a row per call: most points
// survive the first steps, and neighbours near the set's edge stop many steps
// apart, so lanes take new points all through the call, some of them as
// others reach the limit.
TEST(EscapeLanes, RowsAcrossTheSetsEdgeMatchTheScalarIteration) {
    onEveryTarget([&] {
        for (const std::int32_t limit : {300, 64, 17, 10}) {
            for (const int n : {1024, 1031, 333}) {
                for (int row = 0; row < 6; ++row) {
                    const double y = -0.6 + 0.21 * row;
                    std::vector<double> xs(static_cast<std::size_t>(n)), ys(xs.size(), y);
                    for (int i = 0; i < n; ++i)
                        xs[static_cast<std::size_t>(i)] = -1.6 + i * (3.2 / n);
                    const std::vector<double> zero(xs.size(), 0.0);
                    const std::vector<double> jx(xs.size(), -0.8), jy(xs.size(), 0.156);
                    expectSquareLanesMatchScalar(xs, ys, jx, jy, limit, 4.0);         // julia
                    expectSquareLanesMatchScalar(zero, zero, xs, ys, limit, 10000.0); // manc
                    if (testing::Test::HasFatalFailure()) return;
                }
            }
        }
    });
}

TEST(EscapeLanes, CubeAndDragonLanesMatchForEveryTargetAndLength) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Setting {
        std::int32_t limit;
        double start, jx, jy;
    } settings[] = {{256, 0.0, 0.5, 0.0},   {1000, 0.1, -0.8, 0.156}, {8, 0.0, 0.5, 0.5},
                    {9, -0.0, 1e-300, 0.0}, {1, 0.0, 0.0, 0.0},       {0, 0.0, 0.5, 0.0},
                    {-1, 0.0, 0.5, 0.0},    {61, nan, nan, 0.3},      {90, 1.5, 2.0, 2.0},
                    {91, 0.0, 0.5, 0.0}};
    onEveryTarget([&] {
        PointMaker point{std::mt19937_64(29)};
        for (const Setting& s : settings) {
            for (int n : raggedLengths()) {
                std::vector<double> cx(n), cy(n);
                for (int i = 0; i < n; ++i) {
                    // The cube's cusp is elsewhere: shrink the long-orbit points toward it.
                    cx[i] = point() * (point.rng() % 2 ? 1.0 : 0.3);
                    cy[i] = point.rng() % 3 ? point() * 0.3 : 0.0;
                }
                expectCubeAndDragonLanesMatchScalar(cx, cy, s.limit, s.start, s.jx, s.jy);
                if (testing::Test::HasFatalFailure()) return;
            }
        }
    });
}

// Points whose orbits end at steps far apart, in every order: the lanes that
// stop early wait while the others keep going, and every result must still
// land on its own point.
TEST(EscapeLanes, ResultsLandOnTheirPointsWhateverOrderTheyStopIn) {
    // Along the real axis past the cusp the orbit's length falls off smoothly,
    // so nearly every point here stops at its own step, from 1 to over 1000.
    std::vector<double> pool;
    for (int k = 0; k < 64; ++k)
        pool.push_back(0.25 + 1e-6 * std::pow(1.3, k));
    pool.insert(pool.end(), {0.0, -1.0, -0.3}); // never
    std::mt19937_64 rng(31);
    std::vector<std::vector<double>> orders;
    std::vector<double> up = pool;
    std::sort(up.begin(), up.end());
    orders.push_back(up);
    orders.emplace_back(up.rbegin(), up.rend());
    std::vector<double> zigzag; // longest next to shortest
    for (std::size_t lo = 0, hi = up.size(); lo < hi;) {
        zigzag.push_back(up[lo++]);
        if (lo < hi) zigzag.push_back(up[--hi]);
    }
    orders.push_back(zigzag);
    for (int k = 0; k < 6; ++k) {
        std::shuffle(up.begin(), up.end(), rng);
        orders.push_back(up);
    }
    const std::int32_t limit = 3000;
    onEveryTarget([&] {
        for (const std::vector<double>& cx : orders) {
            for (int n : {1, 5, 13, 31, 47, static_cast<int>(cx.size())}) {
                const std::vector<double> zero(n, 0.0);
                std::vector<std::int32_t> mandel(n, -1), julia(n, -1), cube(n, -1), dragon(n, -1);
                std::vector<double> mandelSizes(n), juliaSizes(n);
                const std::vector<double> jx(n, 0.26), jy(n, 0.0);
                iterateSquareLanes(zero.data(), zero.data(), cx.data(), zero.data(), n, limit, 4.0,
                                   mandel.data(), mandelSizes.data());
                iterateSquareLanes(cx.data(), zero.data(), jx.data(), jy.data(), n, limit, 4.0,
                                   julia.data(), juliaSizes.data());
                iterateCubeLanes(cx.data(), zero.data(), n, limit, 0.0, cube.data());
                iterateDragonLanes(cx.data(), zero.data(), n, limit, 0.5, 0.0, dragon.data());
                for (int i = 0; i < n; ++i) {
                    double size = 0;
                    ASSERT_EQ(mandel[i], iterateSquareScalar(0, 0, cx[i], 0, limit, 4.0, size))
                        << "mandel point " << i << " of " << n << " c " << cx[i];
                    if (mandel[i] != 0) {
                        ASSERT_TRUE(sameBits(mandelSizes[i], size));
                    }
                    ASSERT_EQ(julia[i], iterateSquareScalar(cx[i], 0, 0.26, 0, limit, 4.0, size))
                        << "julia point " << i << " of " << n << " z " << cx[i];
                    if (julia[i] != 0) {
                        ASSERT_TRUE(sameBits(juliaSizes[i], size));
                    }
                    ASSERT_EQ(cube[i], iterateCubeScalar(cx[i], 0, limit, 0.0)) << cx[i];
                    ASSERT_EQ(dragon[i], iterateDragonScalar(cx[i], 0, limit, 0.5, 0.0)) << cx[i];
                }
            }
        }
    });
}

// The memo worked out ahead along a run of samples against the iteration
// functions called one after another: points in a row with repeats (memo
// hits), a NaN (which matches any memo point), -0 next to 0, across the
// chain's chunks; a plain row where each point differs from the last; and a
// plain row but for one NaN that matches the point before it. For every kind
// and a memo that starts on or off the row (on it, its count is one no kind
// gives there). The same results and the same memo left behind.
TEST(MemoChain, MatchesTheIterationFunctionsCallByCall) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    enum class Row { Repeats, Plain, OneNanHit };
    for (const Row row : {Row::Repeats, Row::Plain, Row::OneNanHit}) {
        const bool repeats = row == Row::Repeats;
        std::vector<double> xs, ys;
        for (int i = 0; i < 150; ++i) {
            xs.push_back(-2.0 + i * 0.02);
            ys.push_back(0.3 - i * 0.004);
            if (row == Row::OneNanHit && i == 20) {
                xs.push_back(nan);
                ys.push_back(ys.back());
            }
            if (!repeats) continue;
            if (i % 7 == 0) {
                xs.push_back(xs.back());
                ys.push_back(ys.back());
            }
            if (i == 20) {
                xs.push_back(nan);
                ys.push_back(0.1);
            }
            if (i == 90) {
                xs.insert(xs.end(), {-0.0, 0.0});
                ys.insert(ys.end(), {0.0, -0.0});
            }
        }
        const int n = static_cast<int>(xs.size());
        struct Case {
            EscapeKind kind;
            double (*call)(FormulaContext&, double, double);
            bool value; // manc gives the value slot, the others the count
        } cases[] = {
            {EscapeKind::Mandel,
             [](FormulaContext& c, double x, double y) -> double { return mandel(c, x, y); },
             false},
            {EscapeKind::Manc, [](FormulaContext& c, double x, double y) { return manc(c, x, y); },
             true},
            {EscapeKind::Julia,
             [](FormulaContext& c, double x, double y) -> double {
                 return julia(c, x, y, -0.8, 0.156);
             },
             false},
            {EscapeKind::Man3,
             [](FormulaContext& c, double x, double y) -> double { return man3(c, x, y); }, false},
            {EscapeKind::Dragon,
             [](FormulaContext& c, double x, double y) -> double {
                 return dragon(c, x, y, -0.8, 0.156);
             },
             false},
        };
        for (const Case& k : cases) {
            for (const double startX : {xs[0], 5.0, nan}) {
                FormulaContext plain;
                plain.setIterationLimit(300);
                plain.memoX = startX;
                plain.memoY = ys[0];
                plain.memoCount = 17;
                plain.memoValue = -3.5;
                FormulaContext chained = plain;
                std::vector<std::int32_t> counts(xs.size());
                std::vector<double> values(xs.size());
                runMemoChain(chained, k.kind, -0.8, 0.156, xs.data(), ys.data(), n, counts.data(),
                             values.data());
                for (int i = 0; i < n; ++i) {
                    const double got = k.call(plain, xs[i], ys[i]);
                    const double want = k.value ? values[i] : counts[i];
                    ASSERT_TRUE(sameBits(got, want))
                        << static_cast<int>(k.kind) << " sample " << i << " at " << xs[i] << ","
                        << ys[i] << ": " << got << " vs " << want;
                    ASSERT_EQ(plain.memoCount, counts[i]) << static_cast<int>(k.kind) << " " << i;
                    ASSERT_TRUE(sameBits(plain.memoValue, values[i]))
                        << static_cast<int>(k.kind) << " " << i;
                }
                EXPECT_EQ(chained.memoCount, plain.memoCount);
                EXPECT_TRUE(sameBits(chained.memoValue, plain.memoValue));
                EXPECT_TRUE(sameBits(chained.memoX, plain.memoX));
                EXPECT_TRUE(sameBits(chained.memoY, plain.memoY));
            }
        }
    }
}

} // namespace
} // namespace trevalin
