// The escape-time lanes against the scalar iteration, bit for bit, and the
// prefetch that hands their results to the fractal functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "formula/escape_lanes.h"
#include "formula/escape_prefetch.h"
#include "formula/formula_context.h"
#include "formula/fractals.h"

namespace trevalin {
namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
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
            std::vector<std::int32_t> counts(n, -1);
            std::vector<double> sizes(n, -1.0);
            iterateSquareLanes(zx.data(), zy.data(), cx.data(), cy.data(), n, s.limit, s.bound,
                               counts.data(), sizes.data());
            for (int i = 0; i < n; ++i) {
                double size = -1.0;
                const std::int32_t count =
                    iterateSquareScalar(zx[i], zy[i], cx[i], cy[i], s.limit, s.bound, size);
                ASSERT_EQ(counts[i], count) << "lane " << i << " of " << n << " limit " << s.limit;
                if (count != 0) {
                    EXPECT_TRUE(sameBits(sizes[i], size))
                        << "lane " << i << " of " << n << ": " << sizes[i] << " vs " << size;
                }
            }
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
            std::vector<std::int32_t> cube(n, -1), dragon(n, -1);
            iterateCubeLanes(cx.data(), cy.data(), n, s.limit, s.start, cube.data());
            iterateDragonLanes(cx.data(), cy.data(), n, s.limit, s.jx, s.jy, dragon.data());
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(cube[i], iterateCubeScalar(cx[i], cy[i], s.limit, s.start))
                    << "man3 lane " << i << " of " << n << " at " << cx[i] << "," << cy[i]
                    << " limit " << s.limit << " start " << s.start;
                ASSERT_EQ(dragon[i], iterateDragonScalar(cx[i], cy[i], s.limit, s.jx, s.jy))
                    << "dragon lane " << i << " of " << n << " at " << cx[i] << "," << cy[i]
                    << " limit " << s.limit << " z0 " << s.jx << "," << s.jy;
            }
        }
    }
}

// The fractal functions give the same results and memo with a prefetch as
// without, including when the prefetch does not hold the point.
TEST(EscapePrefetch, FractalFunctionsGiveTheSameWithAndWithout) {
    std::vector<double> xs, ys;
    for (int i = 0; i < 40; ++i) {
        xs.push_back(-2.0 + i * 0.07);
        ys.push_back(0.3 - i * 0.01);
    }
    struct Case {
        EscapeKind kind;
        double (*call)(FormulaContext&, double, double);
    } cases[] = {
        {EscapeKind::Mandel,
         [](FormulaContext& c, double x, double y) -> double { return mandel(c, x, y); }},
        {EscapeKind::Manc, [](FormulaContext& c, double x, double y) { return manc(c, x, y); }},
        {EscapeKind::Julia,
         [](FormulaContext& c, double x, double y) -> double {
             return julia(c, x, y, -0.8, 0.156);
         }},
        {EscapeKind::Man3,
         [](FormulaContext& c, double x, double y) -> double { return man3(c, x, y); }},
        {EscapeKind::Dragon,
         [](FormulaContext& c, double x, double y) -> double {
             return dragon(c, x, y, -0.8, 0.156);
         }},
    };
    for (const Case& k : cases) {
        FormulaContext plain, fast;
        plain.setIterationLimit(300);
        fast.setIterationLimit(300);
        EscapePrefetch prefetch;
        prefetch.fill(k.kind, fast, -0.8, 0.156, xs, ys);
        fast.prefetch = &prefetch;
        // In order, with repeats (memo hits) and a point that is not held.
        std::vector<std::pair<double, double>> visits;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            visits.emplace_back(xs[i], ys[i]);
            if (i % 7 == 0) visits.emplace_back(xs[i], ys[i]);
            if (i == 20) visits.emplace_back(0.1234, -0.4321);
        }
        for (auto [x, y] : visits) {
            const double a = k.call(plain, x, y), b = k.call(fast, x, y);
            ASSERT_TRUE(sameBits(a, b)) << static_cast<int>(k.kind) << " at " << x << "," << y;
            ASSERT_EQ(plain.memoCount, fast.memoCount);
            ASSERT_TRUE(sameBits(plain.memoValue, fast.memoValue));
        }
    }
}

TEST(EscapePrefetch, RefusesOtherParameters) {
    FormulaContext ctx;
    ctx.setIterationLimit(100);
    EscapePrefetch prefetch;
    prefetch.fill(EscapeKind::Julia, ctx, -0.8, 0.156, {0.1}, {0.2});
    std::int32_t count = 0;
    double size = 0;
    EXPECT_FALSE(prefetch.take(EscapeKind::Mandel, 0.1, 0.2, 100, 0.0, -0.8, 0.156, count, size));
    EXPECT_FALSE(prefetch.take(EscapeKind::Julia, 0.1, 0.2, 101, 0.0, -0.8, 0.156, count, size));
    EXPECT_FALSE(prefetch.take(EscapeKind::Julia, 0.1, 0.2, 100, 0.5, -0.8, 0.156, count, size));
    EXPECT_FALSE(prefetch.take(EscapeKind::Julia, 0.1, 0.2, 100, 0.0, -0.7, 0.156, count, size));
    EXPECT_FALSE(prefetch.take(EscapeKind::Julia, -0.1, 0.2, 100, 0.0, -0.8, 0.156, count, size));
    EXPECT_TRUE(prefetch.take(EscapeKind::Julia, 0.1, 0.2, 100, 0.0, -0.8, 0.156, count, size));
    double scalarSize = 0;
    EXPECT_EQ(count, iterateSquareScalar(0.1, 0.2, -0.8, 0.156, 100, 4.0, scalarSize));

    // The dragon depends on z0 as julia does on c; man3 on the start value.
    prefetch.fill(EscapeKind::Dragon, ctx, 0.5, 0.25, {0.1}, {0.2});
    EXPECT_FALSE(prefetch.take(EscapeKind::Dragon, 0.1, 0.2, 100, 0.0, 0.5, 0.26, count, size));
    EXPECT_FALSE(prefetch.take(EscapeKind::Julia, 0.1, 0.2, 100, 0.0, 0.5, 0.25, count, size));
    EXPECT_TRUE(prefetch.take(EscapeKind::Dragon, 0.1, 0.2, 100, 0.0, 0.5, 0.25, count, size));
    EXPECT_EQ(count, iterateDragonScalar(0.1, 0.2, 100, 0.5, 0.25));
    prefetch.fill(EscapeKind::Man3, ctx, 0, 0, {0.1}, {0.2});
    EXPECT_FALSE(prefetch.take(EscapeKind::Man3, 0.1, 0.2, 100, 0.25, 0, 0, count, size));
    EXPECT_TRUE(prefetch.take(EscapeKind::Man3, 0.1, 0.2, 100, 0.0, 0, 0, count, size));
    EXPECT_EQ(count, iterateCubeScalar(0.1, 0.2, 100, 0.0));
}

} // namespace
} // namespace trevalin
