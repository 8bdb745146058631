// Points per second of the escape-time lanes against the scalar iteration, on
// the planes of the bench scenes, fed a run (64 points) of a row at a time and
// without escape sizes, as the render asks for mandel and julia. Steps per
// second count the iteration steps the points need: on the interior plane
// every lane runs to the limit, which gives the lanes' peak, and a scene's
// rate against it is the share of lane steps that did work.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "formula/escape_lanes.h"

namespace {

using namespace trevalin;

constexpr int kGrid = 512;
constexpr int kSegment = kGrid; // a row: renders work a row's memo out in one call
constexpr std::int32_t kLimit = 256;

enum class Kernel { Mandel, Julia, Cube, Dragon, Interior };

struct Plane {
    double left, top, width;
};

Plane planeOf(Kernel k) {
    switch (k) {
    case Kernel::Mandel: return {-2.0, -1.5, 3.0};
    case Kernel::Julia: return {-1.6, -1.6, 3.2};
    case Kernel::Cube: return {-1.5, -1.5, 3.0};
    case Kernel::Dragon: return {-1.0, -2.0, 4.0};
    case Kernel::Interior: return {-0.3, -0.1, 0.2}; // inside mandel's main cardioid
    }
    return {};
}

// One pass over the grid, a row segment at a time.
template <class Segment> void overGrid(Kernel k, Segment segment) {
    const Plane p = planeOf(k);
    std::vector<double> xs(kSegment), ys(kSegment);
    for (int row = 0; row < kGrid; ++row) {
        const double y = p.top + p.width * row / kGrid;
        for (int col = 0; col < kGrid; col += kSegment) {
            for (int i = 0; i < kSegment; ++i) {
                xs[i] = p.left + p.width * (col + i) / kGrid;
                ys[i] = y;
            }
            segment(xs.data(), ys.data());
        }
    }
}

constexpr double kJx = -0.8, kJy = 0.156;

// The steps a point took: its escape step, or all of them when it stayed.
std::int64_t stepsOf(std::int32_t count) {
    return count != 0 ? count : kLimit;
}

// The scalar iteration of one point of k's plane.
std::int32_t scalarCount(Kernel k, double x, double y) {
    double size = 0;
    switch (k) {
    case Kernel::Mandel:
    case Kernel::Interior: return iterateSquareScalar(0.0, 0.0, x, y, kLimit, 4.0, size);
    case Kernel::Julia: return iterateSquareScalar(x, y, kJx, kJy, kLimit, 4.0, size);
    case Kernel::Cube: return iterateCubeScalar(x, y, kLimit, 0.0);
    case Kernel::Dragon: return iterateDragonScalar(x, y, kLimit, 0.5, 0.0);
    }
    return 0;
}

// Points, and the steps they took, per second. The steps of a pass are counted
// once, outside the timed loop; both paths give the same counts.
void report(benchmark::State& state, Kernel k) {
    std::int64_t steps = 0;
    overGrid(k, [&](const double* xs, const double* ys) {
        for (int i = 0; i < kSegment; ++i)
            steps += stepsOf(scalarCount(k, xs[i], ys[i]));
    });
    state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
    state.counters["steps_per_second"] = benchmark::Counter(
        static_cast<double>(steps * state.iterations()), benchmark::Counter::kIsRate);
}

void lanes(benchmark::State& state, Kernel k) {
    std::vector<std::int32_t> counts(kSegment);
    std::int64_t sum = 0;
    for (auto _ : state) {
        overGrid(k, [&](const double* xs, const double* ys) {
            switch (k) {
            case Kernel::Mandel:
            case Kernel::Interior:
                iterateMandelLanes(xs, ys, kSegment, kLimit, 4.0, 0.0, counts.data(), nullptr);
                break;
            case Kernel::Julia:
                iterateJuliaLanes(xs, ys, kSegment, kLimit, kJx, kJy, counts.data(), nullptr);
                break;
            case Kernel::Cube:
                iterateCubeLanes(xs, ys, kSegment, kLimit, 0.0, counts.data());
                break;
            case Kernel::Dragon:
                iterateDragonLanes(xs, ys, kSegment, kLimit, 0.5, 0.0, counts.data());
                break;
            }
            sum += counts[kSegment / 2];
        });
    }
    benchmark::DoNotOptimize(sum);
    report(state, k);
}

void scalar(benchmark::State& state, Kernel k) {
    std::int64_t sum = 0;
    for (auto _ : state) {
        overGrid(k, [&](const double* xs, const double* ys) {
            for (int i = 0; i < kSegment; ++i)
                sum += scalarCount(k, xs[i], ys[i]);
        });
    }
    benchmark::DoNotOptimize(sum);
    report(state, k);
}

} // namespace

BENCHMARK_CAPTURE(lanes, mandel, Kernel::Mandel)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scalar, mandel, Kernel::Mandel)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lanes, julia, Kernel::Julia)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scalar, julia, Kernel::Julia)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lanes, man3, Kernel::Cube)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scalar, man3, Kernel::Cube)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lanes, dragon, Kernel::Dragon)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scalar, dragon, Kernel::Dragon)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(lanes, interior, Kernel::Interior)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scalar, interior, Kernel::Interior)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
