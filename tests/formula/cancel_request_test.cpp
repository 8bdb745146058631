// A stop request cuts an iteration short at its next look, on the lanes and
// point by point; without one the iterations run to the end as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "formula/cancel_request.h"
#include "formula/escape_lanes.h"
#include "tests/formula/every_target.h"

namespace trevalin {
namespace {

constexpr std::int32_t kLimit = 2000000000;

// A point that escapes only after more steps than lie between two looks at
// the request, between points that escape at once and points that never do.
struct LatePoint {
    const char* name;
    double cx; // on the real axis, just past where the set ends
    std::function<std::int32_t(double cx)> scalar;
    std::function<void(const double* cx, const double* cy, int n, std::int32_t* counts)> lanes;
};

std::vector<LatePoint> latePoints() {
    return {
        {"square", 0.25 + 1e-9,
         [](double cx) {
             double size = 0;
             return iterateSquareScalar(0, 0, cx, 0, kLimit, 4.0, size);
         },
         [](const double* cx, const double* cy, int n, std::int32_t* counts) {
             iterateMandelLanes(cx, cy, n, kLimit, 4.0, 0.0, counts, nullptr);
         }},
        {"cube", 2.0 / (3.0 * std::sqrt(3.0)) + 1e-9,
         [](double cx) { return iterateCubeScalar(cx, 0, kLimit, 0.0); },
         [](const double* cx, const double* cy, int n, std::int32_t* counts) {
             iterateCubeLanes(cx, cy, n, kLimit, 0.0, counts);
         }},
    };
}

// The late point's count on the lanes, among 19 others; with points inside
// too (which never escape: two billion steps each unless cut short).
std::int32_t lateOnLanes(const LatePoint& p, bool inside) {
    std::vector<double> cx(20, 2.0), cy(20, 0.0); // 2 escapes at the first steps
    for (int i = 0; i < 20 && inside; i += 3)
        cx[i] = 0.0;
    cx[7] = p.cx;
    std::vector<std::int32_t> counts(20, -1);
    p.lanes(cx.data(), cy.data(), 20, counts.data());
    return counts[7];
}

// A long call, as a wide row makes: once the request is set, the chunks of
// points after the first are not iterated at all, however many steps their
// points would take before a look at the request.
TEST(CancelRequest, LongCallsStopAfterTheirFirstChunk) {
    constexpr int kPoints = 5000;
    // Each escapes after about a thousand steps: well before a look.
    std::vector<double> cx(kPoints, 0.25 + 1e-5), cy(kPoints, 0.0);
    double size = 0;
    const std::int32_t full = iterateSquareScalar(0, 0, cx[0], 0, kLimit, 4.0, size);
    ASSERT_GT(full, 500);
    ASSERT_LT(full, kCancelCheckSteps);
    lanetest::onEveryTarget([&] {
        std::atomic<bool> request{false};
        CancelScope scope(request);
        std::vector<std::int32_t> counts(kPoints, -1);
        iterateMandelLanes(cx.data(), cy.data(), kPoints, kLimit, 4.0, 0.0, counts.data(), nullptr);
        EXPECT_EQ(std::count(counts.begin(), counts.end(), full), kPoints);
        request = true;
        iterateMandelLanes(cx.data(), cy.data(), kPoints, kLimit, 4.0, 0.0, counts.data(), nullptr);
        EXPECT_TRUE(scope.cutShort());
        // Every point has a result, and most were never iterated.
        EXPECT_EQ(std::count(counts.begin(), counts.end(), -1), 0);
        EXPECT_GT(std::count(counts.begin(), counts.end(), 0), kPoints / 2);
    });
}

TEST(CancelRequest, CutsLongIterationsShortOnlyWhenSet) {
    for (const LatePoint& p : latePoints()) {
        SCOPED_TRACE(p.name);
        const std::int32_t full = p.scalar(p.cx);
        ASSERT_GT(full, kCancelCheckSteps) << "the point must outlast a look at the request";
        std::atomic<bool> request{false};
        {
            CancelScope scope(request);
            EXPECT_EQ(full, p.scalar(p.cx));
            lanetest::onEveryTarget([&] { EXPECT_EQ(full, lateOnLanes(p, false)); });
            request = true;
            // Iterations too short to look at the request are not cut.
            double size = 0;
            EXPECT_EQ(1, iterateSquareScalar(0, 0, 3.0, 0, kLimit, 4.0, size));
            EXPECT_FALSE(scope.cutShort());
            EXPECT_EQ(0, p.scalar(p.cx));
            EXPECT_TRUE(scope.cutShort());
            lanetest::onEveryTarget([&] {
                EXPECT_EQ(0, lateOnLanes(p, false));
                EXPECT_EQ(0, lateOnLanes(p, true));
            });
            {
                // The innermost scope's request is the one that counts.
                std::atomic<bool> inner{false};
                CancelScope nested(inner);
                EXPECT_FALSE(cancelRequested());
                EXPECT_EQ(full, p.scalar(p.cx));
            }
            EXPECT_TRUE(cancelRequested());
        }
        EXPECT_FALSE(cancelRequested());
        EXPECT_EQ(full, p.scalar(p.cx));
    }
}

} // namespace
} // namespace trevalin
