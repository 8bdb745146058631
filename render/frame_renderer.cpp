#include "render/frame_renderer.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/batch_interpreter.h"
#include "formula/escape_results.h"
#include "formula/formula_context.h"
#include "formula/fractals.h"
#include "formula/frame_variables.h"
#include "formula/interpreter.h"
#include "formula/lane_clones.h"
#include "formula/memo_chain.h"
#include "formula/scalar_functions.h"
#include "render/colour_word.h"
#include "render/render_settings.h"

namespace trevalin {

namespace {

// colourIndex with the frame's range and the switches passed in, inlined into
// the loops over a batch's lanes.
[[gnu::always_inline]] inline std::int32_t indexOf(double v, const FrameVariables& vars, int wrap,
                                                   int cycle) {
    std::int32_t index;
    if (wrap) {
        // NaN, infinities and huge values truncate to INT32_MIN, which lands on 255.
        const std::int64_t k = truncToInt32((v - vars.min) * vars.scale);
        index = k >= 0 ? static_cast<std::int32_t>(k % 256)
                       : static_cast<std::int32_t>(255 - (-k) % 256);
    } else {
        if (!(v >= vars.min))
            v = vars.min;
        else if (v > vars.max)
            v = vars.max;
        // The mask changes nothing for a usable range (the index lies in 0..255);
        // with a range that is not a number it keeps the index a byte.
        index = truncToInt32((v - vars.min) * vars.scale) & 0xFF;
    }
    if (cycle)
        index = static_cast<std::int32_t>(
            (static_cast<std::uint32_t>(index) + static_cast<std::uint32_t>(vars.frame)) & 0xFFu);
    return index;
}

// indexOf with Wrap for a run of values, without branches so that it
// vectorises: the index of k is k mod 256 for k >= 0 and 255 - (-k mod 256),
// which is (k - 1) mod 256, below.
[[gnu::always_inline]] inline void addWrappedIndices(const double* values, int n,
                                                     const FrameVariables& vars, int cycle,
                                                     std::int32_t* sums) {
    const double min = vars.min, scale = vars.scale;
    const std::uint32_t shift = cycle ? static_cast<std::uint32_t>(vars.frame) : 0u;
    for (int i = 0; i < n; ++i) {
        double t = (values[i] - min) * scale;
        // As truncToInt32: NaN and what int32 cannot hold become INT32_MIN.
        t = t > -2147483649.0 && t < 2147483648.0 ? t : -2147483648.0;
        const std::int32_t k = static_cast<std::int32_t>(t);
        const std::uint32_t index = static_cast<std::uint32_t>(k) - (k < 0 ? 1u : 0u);
        sums[i] += static_cast<std::int32_t>((index + shift) & 0xFFu);
    }
}

} // namespace

int colourIndex(double v, const FrameVariables& vars, int wrap, int cycle) {
    return indexOf(v, vars, wrap, cycle);
}

FormulaValue tripleIndex(const FormulaValue& v, const FrameVariables& vars, int wrap, int cycle) {
    FormulaValue out = v;
    out.first = colourIndex(v.first, vars, wrap, cycle);
    if (v.isTriple) {
        out.second = colourIndex(v.second, vars, wrap, cycle);
        out.third = colourIndex(v.third, vars, wrap, cycle);
    } else {
        out.second = out.first;
        out.third = out.first;
    }
    return out;
}

namespace {

struct Channels {
    std::int32_t red = 0, green = 0, blue = 0;
};

// Sums the channels over the sample points: (x, y), (x, y + ystep/2),
// (x + xstep/2, y + ystep/2), (x + xstep/2, y), or (x, y) alone.
template <typename Sample>
void forEachSample(FrameVariables& vars, bool oversample, Sample sample) {
    sample();
    if (!oversample) return;
    const double x = vars.x, y = vars.y;
    vars.y = y + vars.ystep / 2;
    sample();
    vars.x = x + vars.xstep / 2;
    sample();
    vars.y = y;
    sample();
    vars.x = x;
}

} // namespace

int colourFormulaCodes(const RenderSettings& s, const std::uint8_t* codes[3]) {
    switch (s.colormode) {
    case 0:
    case 3: codes[0] = s.red.code; return 1;
    case 1:
    case 2:
        codes[0] = s.red.code;
        codes[1] = s.grn.code;
        codes[2] = s.blu.code;
        return 3;
    default: return 0; // nothing is evaluated
    }
}

std::uint32_t pixelColour(FormulaContext& context, FrameVariables& vars,
                          const RenderSettings& settings) {
    const int wrap = settings.wrap, cycle = settings.cycle;
    const bool oversample = settings.oversample != 0;
    const int shift = oversample ? 2 : 0;
    Channels c;

    switch (settings.colormode) {
    case 0: { // Grayscale
        std::int32_t sum = 0;
        forEachSample(vars, oversample, [&] {
            sum +=
                colourIndex(evaluateFormula(context, settings.red.code, vars), vars, wrap, cycle);
        });
        c.red = c.green = c.blue = sum >> shift;
        break;
    }
    case 3: { // Triplet
        double r = 0, g = 0, b = 0;
        forEachSample(vars, oversample, [&] {
            const FormulaValue v =
                tripleIndex(runFormula(context, settings.red.code, vars), vars, wrap, cycle);
            r += v.first;
            g += v.second;
            b += v.third;
        });
        c.red = truncToInt32(r) >> shift;
        c.green = truncToInt32(g) >> shift;
        c.blue = truncToInt32(b) >> shift;
        break;
    }
    case 1:   // RGB
    case 2: { // HSV
        forEachSample(vars, oversample, [&] {
            c.red +=
                colourIndex(evaluateFormula(context, settings.red.code, vars), vars, wrap, cycle);
            c.green +=
                colourIndex(evaluateFormula(context, settings.grn.code, vars), vars, wrap, cycle);
            c.blue +=
                colourIndex(evaluateFormula(context, settings.blu.code, vars), vars, wrap, cycle);
        });
        c.red >>= shift;
        c.green >>= shift;
        c.blue >>= shift;
        if (settings.colormode == 2) hsvToRgb(c.red, c.green, c.blue);
        break;
    }
    default: return 0;
    }
    return colourWord(c.red, c.green, c.blue);
}

bool colourFormulasCallFractals(const RenderSettings& settings) {
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(settings, codes);
    for (int i = 0; i < n; ++i)
        if (callsFractal(codes[i])) return true;
    return false;
}

bool pixelsBatchable(const RenderSettings& settings) {
    const std::uint8_t* codes[3];
    const int n = colourFormulaCodes(settings, codes);
    for (int i = 0; i < n; ++i)
        if (!batchable(codes[i])) return false;
    return true;
}

TREVALIN_LANE_CLONES void placePoints(double* xs, double* ys, int n, int first, int stride,
                                      const FrameVariables& vars) {
    const double xstep = vars.xstep, left = vars.left, y = vars.y;
    for (int k = 0; k < n; ++k) {
        xs[k] = (first + k * stride) * xstep + left;
        ys[k] = y;
    }
}

TREVALIN_LANE_CLONES void placeLanes(BatchSamples& lanes, int n, int first, int stride,
                                     const FrameVariables& vars) {
    lanes.count = n;
    const int py = vars.py;
    for (int k = 0; k < n; ++k) {
        lanes.px[k] = first + k * stride;
        lanes.py[k] = py;
    }
    placePoints(lanes.x, lanes.y, n, first, stride, vars);
}

TREVALIN_LANE_CLONES void pixelColours(FormulaContext& context, const FrameVariables& vars,
                                       const RenderSettings& settings, EscapeKind fractal,
                                       BatchSamples& pixels, std::uint32_t* colours,
                                       bool memoGiven) {
    const int n = pixels.count;
    const std::uint8_t* codes[3];
    const int formulas = colourFormulaCodes(settings, codes);
    if (formulas == 0) {
        for (int i = 0; i < n; ++i)
            colours[i] = 0;
        return;
    }
    const int wrap = settings.wrap, cycle = settings.cycle;
    const bool oversample = settings.oversample != 0;
    const int shift = oversample ? 2 : 0;
    const bool triplet = settings.colormode == 3;

    // Channel sums lane by lane: integer indices, or the triplet model's reals.
    // Cleared whole: a fixed size is a few vector stores, where the lanes in
    // use were a call of memset per channel and batch (2% of arith).
    std::int32_t sums[3][kBatchLanes];
    double realSums[3][kBatchLanes];
    for (int f = 0; f < (triplet ? 3 : formulas); ++f)
        for (int i = 0; i < kBatchLanes; ++i) {
            if (triplet)
                realSums[f][i] = 0.0;
            else
                sums[f][i] = 0;
        }
    // Oversampling moves the lanes' points; these put them back.
    double x[kBatchLanes], y[kBatchLanes];
    if (oversample)
        for (int i = 0; i < n; ++i) {
            x[i] = pixels.x[i];
            y[i] = pixels.y[i];
        }
    // Pinned to an ordinary range, a clamped value maps into 0 .. (max - min) *
    // scale, which fits an int32 (rounding is monotonic): no range checks needed.
    const double min = vars.min, max = vars.max, scale = vars.scale;
    const bool plainPin = wrap == 0 && cycle == 0 && min < max && std::isfinite(min) &&
                          std::isfinite(max) && scale > 0.0 && (max - min) * scale < 2147483647.0;
    BatchValues v;
    // The sample points in pixelColour's order: (x, y), (x, y + ystep/2),
    // (x + xstep/2, y + ystep/2), (x + xstep/2, y).
    const int samples = oversample ? 4 : 1;
    // The memo's slots per sample, pixel after pixel: [i * samples + k].
    std::int32_t memoCounts[4 * kBatchLanes];
    double memoValues[4 * kBatchLanes];
    if (fractal != EscapeKind::None && !oversample && !memoGiven) {
        // One sample per pixel: the lanes' own points and memo slots.
        runMemoChain(context, fractal, vars.jx, vars.jy, pixels.x, pixels.y, n, pixels.memoCount,
                     pixels.memoValue);
    } else if (fractal != EscapeKind::None && oversample) {
        double xs[4 * kBatchLanes], ys[4 * kBatchLanes];
        for (int i = 0; i < n; ++i) {
            double* px = xs + i * samples;
            double* py = ys + i * samples;
            px[0] = x[i];
            py[0] = y[i];
            const double y2 = y[i] + vars.ystep / 2, x2 = x[i] + vars.xstep / 2;
            px[1] = x[i];
            py[1] = y2;
            px[2] = x2;
            py[2] = y2;
            px[3] = x2;
            py[3] = y[i];
        }
        runMemoChain(context, fractal, vars.jx, vars.jy, xs, ys, n * samples, memoCounts,
                     memoValues);
    }
    for (int k = 0; k < samples; ++k) {
        if (fractal != EscapeKind::None && oversample)
            for (int i = 0; i < n; ++i) {
                pixels.memoCount[i] = memoCounts[i * samples + k];
                pixels.memoValue[i] = memoValues[i * samples + k];
            }
        if (k == 1)
            for (int i = 0; i < n; ++i)
                pixels.y[i] = y[i] + vars.ystep / 2;
        if (k == 2)
            for (int i = 0; i < n; ++i)
                pixels.x[i] = x[i] + vars.xstep / 2;
        if (k == 3)
            for (int i = 0; i < n; ++i)
                pixels.y[i] = y[i];
        for (int f = 0; f < formulas; ++f) {
            runFormulaBatch(context, codes[f], vars, pixels, v);
            if (triplet) {
                for (int i = 0; i < n; ++i) {
                    const FormulaValue value =
                        v.isTriple ? tripleValue(v.first[i], v.second[i], v.third[i])
                                   : numberValue(v.first[i]);
                    const FormulaValue index = tripleIndex(value, vars, wrap, cycle);
                    realSums[0][i] += index.first;
                    realSums[1][i] += index.second;
                    realSums[2][i] += index.third;
                }
            } else {
                std::int32_t* sum = sums[f];
                if (plainPin)
                    for (int i = 0; i < n; ++i) {
                        double value = v.first[i];
                        value = value >= min ? value : min;
                        value = value > max ? max : value;
                        sum[i] += static_cast<std::int32_t>((value - min) * scale) & 0xFF;
                    }
                else if (wrap)
                    addWrappedIndices(v.first, n, vars, cycle, sum);
                else
                    for (int i = 0; i < n; ++i)
                        sum[i] += indexOf(v.first[i], vars, wrap, cycle);
            }
        }
    }
    if (oversample)
        for (int i = 0; i < n; ++i) {
            pixels.x[i] = x[i];
            pixels.y[i] = y[i];
        }

    // A loop per colour model, so the plain ones run as vectors.
    if (triplet) {
        for (int i = 0; i < n; ++i)
            colours[i] = colourWord(truncToInt32(realSums[0][i]) >> shift,
                                    truncToInt32(realSums[1][i]) >> shift,
                                    truncToInt32(realSums[2][i]) >> shift);
    } else if (formulas == 1) {
        for (int i = 0; i < n; ++i) {
            const std::int32_t grey = sums[0][i] >> shift;
            colours[i] = colourWord(grey, grey, grey);
        }
    } else if (settings.colormode == 2) {
        for (int i = 0; i < n; ++i) {
            std::int32_t red = sums[0][i] >> shift, green = sums[1][i] >> shift,
                         blue = sums[2][i] >> shift;
            hsvToRgb(red, green, blue);
            colours[i] = colourWord(red, green, blue);
        }
    } else {
        for (int i = 0; i < n; ++i)
            colours[i] = colourWord(sums[0][i] >> shift, sums[1][i] >> shift, sums[2][i] >> shift);
    }
}

} // namespace trevalin
