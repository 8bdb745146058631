#include "render/frame_start.h"

#include <array>
#include <cmath>
#include <memory>

#include "formula/code_walk.h"
#include "formula/formula_context.h"
#include "formula/fractals.h"
#include "formula/noise.h"
#include "formula/random_draws.h"
#include "formula/random_state.h"
#include "render/frame_renderer.h"
#include "render/frame_setup.h"
#include "render/memo_snapshot.h"
#include "render/render_settings.h"

namespace trevalin {
namespace {

// 16807 has order dividing 2^31 - 2 modulo the prime 2^31 - 1, so jumps can
// be reduced by it and never overflow.
constexpr std::uint64_t kPeriod = 2147483646;

// The per-frame formulas, in the order the set-up runs them.
std::array<const std::uint8_t*, 10> setUpCodes(const RenderSettings& s) {
    return {s.left.code,    s.top.code, s.width.code, s.height.code, s.zoom.code,
            s.recurse.code, s.p0.code,  s.q0.code,    s.min.code,    s.max.code};
}

struct Pixel {
    int px = 0, py = 0;
};

// The last two pixels the passes of a frame compute, the last first.
int lastComputedPixels(int width, int height, int firstStep, Pixel out[2]) {
    int found = 0;
    for (int step = 1; step <= firstStep && found < 2; step *= 2) {
        const int refineMask = 2 * step - 1;
        for (int py = (height - 1) / step * step; py >= 0 && found < 2; py -= step)
            for (int px = (width - 1) / step * step; px >= 0 && found < 2; px -= step)
                if (step == firstStep || (refineMask & (px | py)) != 0) out[found++] = {px, py};
    }
    return found;
}

// The pixel's sample points in the order pixelColour visits them: the
// point the pass loop sets, then half steps down and across.
struct Samples {
    double x[4], y[4];
    int count;
};

Samples samplePoints(const FrameVariables& v, const RenderSettings& s, Pixel p) {
    const double x = p.px * v.xstep + v.left;
    const double y = p.py == 0 ? v.top : p.py * v.ystep + v.top; // each pass starts at top
    return Samples{{x, x, x + v.xstep / 2, x + v.xstep / 2},
                   {y, y + v.ystep / 2, y + v.ystep / 2, y},
                   s.oversample ? 4 : 1};
}

// Makes the pixel's fractal calls in the order pixelColour makes them. Only
// the memo is wanted: nothing else of the colour formulas touches it.
void replayFractalCalls(FormulaContext& c, const FrameVariables& v, const RenderSettings& s,
                        Pixel p) {
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(s, codes);
    const Samples at = samplePoints(v, s, p);
    const double* xs = at.x;
    const double* ys = at.y;
    for (int sample = 0; sample < at.count; ++sample)
        for (int i = 0; i < n; ++i)
            for (int pos = 0; pos < kCodeAreaSize && codes[i][pos] != kRecordEnd;
                 pos += recordSize(codes[i] + pos)) {
                if (codes[i][pos] != kRecordOperation) continue;
                switch (static_cast<Op>(codes[i][pos + 1])) {
                case Op::Mandel: mandel(c, xs[sample], ys[sample]); break;
                case Op::Manc: manc(c, xs[sample], ys[sample]); break;
                case Op::Man3: man3(c, xs[sample], ys[sample]); break;
                case Op::Julia: julia(c, xs[sample], ys[sample], v.jx, v.jy); break;
                case Op::Dragon: dragon(c, xs[sample], ys[sample], v.jx, v.jy); break;
                default: break;
                }
            }
}

// Whether the first fractal call of a sample is manc. All the calls of a
// sample are at one point, so only the first can miss the memo: only its
// slot ever changes during a frame.
bool firstFractalIsManc(const RenderSettings& s) {
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(s, codes);
    for (int i = 0; i < n; ++i)
        for (int pos = 0; pos < kCodeAreaSize && codes[i][pos] != kRecordEnd;
             pos += recordSize(codes[i] + pos)) {
            if (codes[i][pos] != kRecordOperation) continue;
            switch (static_cast<Op>(codes[i][pos + 1])) {
            case Op::Manc: return true;
            case Op::Mandel:
            case Op::Man3:
            case Op::Julia:
            case Op::Dragon: return false;
            default: break;
            }
        }
    return false;
}

// The memo frame k starts with, when the last pixel of frame k - 1 decides
// it: its first fractal call must miss the memo the pixel before left. The
// other slot keeps the value it had when the render started. Two runs from
// different values of the written slot check that the pixel did write it.
bool memoAtFrameStart(const FrameStartInput& in, const FrameDraws& draws, std::int32_t startState,
                      bool builtAtStart, int k, MemoSnapshot& out) {
    const RenderSettings& s = *in.settings;
    FrameVariables v = in.vars;
    v.frame = k - 1;
    const auto scratch = std::make_unique<FormulaContext>(*in.context);
    {
        // The set-up formulas may draw: they see the frame's own random state.
        std::int32_t random = randomStateAtFrame(draws, startState, builtAtStart, k - 1);
        RandomState::ThreadStream stream(random);
        setUpFrameVariables(*scratch, v, s, in.width, in.height);
    }
    Pixel last[2];
    if (lastComputedPixels(in.width, in.height, in.firstStep, last) < 2) return false;
    // Every sample calls a fractal, so the pixel before leaves the memo at
    // (a point equal to) its last sample point. A NaN coordinate matches any
    // memo point, which leaves the point where it was: not decided here.
    const Samples before = samplePoints(v, s, last[1]), at = samplePoints(v, s, last[0]);
    for (const Samples* p : {&before, &at})
        for (int i = 0; i < p->count; ++i)
            if (std::isnan(p->x[i]) || std::isnan(p->y[i])) return false;
    const double x = at.x[0], y = at.y[0];
    if (x == before.x[before.count - 1] && y == before.y[before.count - 1]) return false;
    const bool manc = firstFractalIsManc(s);
    MemoSnapshot ends[2];
    for (int trial = 0; trial < 2; ++trial) {
        MemoSnapshot start = memoOf(*in.context);
        if (manc)
            start.value = trial ? 0.25 : 0.5;
        else
            start.count = trial + 1;
        start.x = x == 1.0 ? 2.0 : 1.0;
        start.y = y == 1.0 ? 2.0 : 1.0;
        setMemo(*scratch, start);
        replayFractalCalls(*scratch, v, s, last[0]);
        ends[trial] = memoOf(*scratch);
    }
    if (!ends[0].same(ends[1])) return false;
    out = ends[0];
    return true;
}

} // namespace

FrameDraws frameDraws(const RenderSettings& s, int width, int height) {
    FrameDraws d;
    std::uint64_t setUp = 0;
    for (const std::uint8_t* code : setUpCodes(s)) {
        if (!d.gradient && usesGradientNoise(code)) {
            d.gradient = true;
            d.beforeGradient = setUp + static_cast<std::uint64_t>(randomDrawsBeforeGradient(code));
        }
        setUp += static_cast<std::uint64_t>(randomDrawsPerRun(code));
    }
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(s, codes);
    std::uint64_t perSample = 0;
    for (int i = 0; i < n; ++i) {
        // The first pixel's first sample comes right after the set-up.
        if (!d.gradient && usesGradientNoise(codes[i])) {
            d.gradient = true;
            d.beforeGradient =
                setUp + perSample + static_cast<std::uint64_t>(randomDrawsBeforeGradient(codes[i]));
        }
        perSample += static_cast<std::uint64_t>(randomDrawsPerRun(codes[i]));
    }
    const std::uint64_t samples = static_cast<std::uint64_t>(width) *
                                  static_cast<std::uint64_t>(height) * (s.oversample ? 4u : 1u);
    d.perFrame = setUp + samples * perSample;
    return d;
}

std::int32_t randomStateAtFrame(const FrameDraws& d, std::int32_t startState,
                                bool gradientBuiltAtStart, int frame) {
    if (frame <= 0) return startState;
    const std::uint64_t draws =
        static_cast<std::uint64_t>(frame) % kPeriod * (d.perFrame % kPeriod) % kPeriod;
    if (!d.gradient || gradientBuiltAtStart) return RandomState::jump(startState, draws);
    // Frame 0 built the table: from 665 with 512 draws, then the draws after it.
    const std::int32_t reseeded = RandomState::jump(665, 512);
    return RandomState::jump(reseeded, (draws + kPeriod - d.beforeGradient % kPeriod) % kPeriod);
}

int prepareFrameStart(const FrameStartInput& in, int first) {
    if (first <= 0) return 0;
    const RenderSettings& s = *in.settings;
    bool setUpFractal = false, setUpGradient = false;
    for (const std::uint8_t* code : setUpCodes(s)) {
        setUpFractal = setUpFractal || callsFractal(code);
        setUpGradient = setUpGradient || usesGradientNoise(code);
    }
    const bool builtAtStart = gradientTableBuilt();
    // A fractal in the set-up formulas reads the memo the frame before left;
    // gradient noise there would build the table before frame 0 does.
    if (setUpFractal || (setUpGradient && !builtAtStart)) return 0;

    const FrameDraws draws = frameDraws(s, in.width, in.height);
    const std::int32_t startState = RandomState::get();

    int from = first;
    MemoSnapshot memo = memoOf(*in.context); // unchanged by frames without fractals
    if (colourFormulasCallFractals(s)) {
        // Otherwise the nearest frame whose start is known, rendered from there.
        from = 0;
        for (int k = first; k >= 1 && from == 0; --k)
            if (memoAtFrameStart(in, draws, startState, builtAtStart, k, memo)) from = k;
        if (from == 0) return 0;
    }
    if (draws.gradient && !builtAtStart) {
        // Frame 0 built the table; its reseed is in the jump below.
        std::int32_t scratch = 1;
        RandomState::ThreadStream stream(scratch);
        double gx, gy, gz;
        gradientEntry(0, gx, gy, gz);
    }
    RandomState::set(randomStateAtFrame(draws, startState, builtAtStart, from));
    setMemo(*in.context, memo);
    return from;
}

} // namespace trevalin
