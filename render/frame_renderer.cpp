#include "render/frame_renderer.h"

#include "formula/arith.h"
#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "formula/interpreter.h"
#include "formula/scalar_functions.h"
#include "render/colour_word.h"
#include "render/render_settings.h"

namespace trevalin {

int colourIndex(double v, const FrameVariables& vars, int wrap, int cycle) {
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
        if (settings.colormode == 2) HsvToRgb(c.red, c.green, c.blue);
        break;
    }
    default: return 0;
    }
    return colourWord(c.red, c.green, c.blue);
}

} // namespace trevalin
