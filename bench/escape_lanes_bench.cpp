// Points per second of the escape-time lanes against the scalar iteration, on
// the planes of the bench scenes, fed 32 points of a row at a time and without
// escape sizes, as the render asks for mandel and julia.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "formula/batch_interpreter.h"
#include "formula/escape_lanes.h"

namespace {

using namespace trevalin;

constexpr int kGrid = 512;
constexpr int kSegment = kBatchLanes; // a batch's pixels, one sample each
constexpr std::int32_t kLimit = 256;

enum class Kernel { Mandel, Julia, Cube, Dragon };

struct Plane {
    double left, top, width;
};

Plane planeOf(Kernel k) {
    switch (k) {
    case Kernel::Mandel: return {-2.0, -1.5, 3.0};
    case Kernel::Julia: return {-1.6, -1.6, 3.2};
    case Kernel::Cube: return {-1.5, -1.5, 3.0};
    case Kernel::Dragon: return {-1.0, -2.0, 4.0};
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

void lanes(benchmark::State& state, Kernel k) {
    std::vector<std::int32_t> counts(kSegment);
    std::int64_t sum = 0;
    for (auto _ : state) {
        overGrid(k, [&](const double* xs, const double* ys) {
            switch (k) {
            case Kernel::Mandel:
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
    state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
}

void scalar(benchmark::State& state, Kernel k) {
    std::int64_t sum = 0;
    for (auto _ : state) {
        overGrid(k, [&](const double* xs, const double* ys) {
            for (int i = 0; i < kSegment; ++i) {
                double size = 0;
                switch (k) {
                case Kernel::Mandel:
                    sum += iterateSquareScalar(0.0, 0.0, xs[i], ys[i], kLimit, 4.0, size);
                    break;
                case Kernel::Julia:
                    sum += iterateSquareScalar(xs[i], ys[i], kJx, kJy, kLimit, 4.0, size);
                    break;
                case Kernel::Cube: sum += iterateCubeScalar(xs[i], ys[i], kLimit, 0.0); break;
                case Kernel::Dragon:
                    sum += iterateDragonScalar(xs[i], ys[i], kLimit, 0.5, 0.0);
                    break;
                }
            }
        });
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
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

BENCHMARK_MAIN();
