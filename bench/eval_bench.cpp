// Evaluations per second of runFormula for formulas of different weight, each
// run over a 256 x 256 grid of plane points as a render would.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formula/compiler.h"
#include "formula/interpreter.h"

namespace {

using namespace trevalin;

constexpr int kGrid = 256;

void evaluate(benchmark::State& state, const char* text) {
    static std::uint8_t code[kCodeAreaSize];
    std::int32_t flags = 0;
    if (compileFormulaText(text, std::strlen(text), code, flags) != 0) {
        state.SkipWithError(lastCompileError());
        return;
    }
    FormulaContext ctx;
    FrameVariables vars;
    vars.pw = vars.fw = kGrid;
    vars.ph = vars.fh = kGrid;
    vars.t = 0.5;
    vars.jx = -0.8;
    vars.jy = 0.156;
    int px = 0, py = 0;
    for (auto _ : state) {
        vars.px = px;
        vars.py = py;
        vars.x = -2.0 + 3.0 * px / kGrid;
        vars.y = -1.5 + 3.0 * py / kGrid;
        benchmark::DoNotOptimize(runFormula(ctx, code, vars));
        if (++px == kGrid) {
            px = 0;
            if (++py == kGrid) py = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

// The per-run cost of the loop itself.
BENCHMARK_CAPTURE(evaluate, variable, "x");
BENCHMARK_CAPTURE(evaluate, arithmetic, "x * y + x / (y + 2) - (x - y) * 3 + px % 7");
BENCHMARK_CAPTURE(evaluate, trig, "sin(x * 7) * cos(y * 5) + atan(x - y) + sqrt(d)");
BENCHMARK_CAPTURE(evaluate, triple, "rgb(x * 255, y * 255, t * 255) + limit(x, -1, 1)");
BENCHMARK_CAPTURE(evaluate, noise, "noise(x * 8, y * 8)");
BENCHMARK_CAPTURE(evaluate, turb, "turb(x * 4, y * 4)");
BENCHMARK_CAPTURE(evaluate, gnoise3d, "gnoise3d(x * 4, y * 4, t)");
BENCHMARK_CAPTURE(evaluate, fbm, "fbm(x, y, t, 0.5, 2, 6)");
BENCHMARK_CAPTURE(evaluate, mandel, "mandel()");
BENCHMARK_CAPTURE(evaluate, julia, "julia() * 4");

BENCHMARK_MAIN();
