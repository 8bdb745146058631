#include "bench/native_scenes.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/fractals.h"
#include "formula/noise.h"
#include "formula/scalar_functions.h"
#include "render/colour_word.h"
#include "render/frame_renderer.h"

namespace trevalin::bench {
namespace {

std::uint32_t grey(std::int32_t g) {
    return colourWord(g, g, g);
}

double d(const FrameVariables& v) {
    return distance(v.x - v.cx, v.y - v.cy);
}
double a(const FrameVariables& v) {
    return angle(v.x - v.cx, v.y - v.cy);
}

} // namespace

NativePixel nativeScene(const std::string& name) {
    if (name == "arith")
        return [](FormulaContext&, FrameVariables& v) {
            return colourWord(ColourIndex(v.x * v.y, v, 0, 0), ColourIndex(v.x + v.y, v, 0, 0),
                              ColourIndex(v.x - v.y, v, 0, 0));
        };
    if (name == "trig")
        return [](FormulaContext&, FrameVariables& v) {
            const double value = std::sin(v.x * 7) * std::cos(v.y * 5) + std::sin(d(v) * 9);
            return grey(ColourIndex(value, v, 0, 0));
        };
    if (name == "mandel")
        return [](FormulaContext& c, FrameVariables& v) {
            return grey(ColourIndex(mandel(c, v.x, v.y), v, 1, 0));
        };
    if (name == "julia-rgb")
        return [](FormulaContext& c, FrameVariables& v) {
            const double j = julia(c, v.x, v.y, v.jx, v.jy);
            return colourWord(ColourIndex(j, v, 1, 0), ColourIndex(j * 4, v, 1, 0),
                              ColourIndex(j * 16, v, 1, 0));
        };
    if (name == "turb")
        return [](FormulaContext& c, FrameVariables& v) {
            return grey(ColourIndex(turbulence2(c, v.x * 8, v.y * 8), v, 0, 0));
        };
    if (name == "fbm")
        return [](FormulaContext&, FrameVariables& v) {
            return grey(ColourIndex(fbm(v.x * 8, v.y * 8, 0.5, 1, 2, 6), v, 0, 0));
        };
    if (name == "hsv-oversample")
        return [](FormulaContext&, FrameVariables& v) {
            std::int32_t h = 0, s = 0, b = 0;
            auto sample = [&] {
                h += ColourIndex(a(v) * 40, v, 0, 0);
                s += ColourIndex(255, v, 0, 0);
                b += ColourIndex(zebra(d(v) * 50, 16, 0, 0) * 16, v, 0, 0);
            };
            const double x = v.x, y = v.y;
            sample();
            v.y = y + v.ystep / 2;
            sample();
            v.x = x + v.xstep / 2;
            sample();
            v.y = y;
            sample();
            v.x = x;
            h >>= 2;
            s >>= 2;
            b >>= 2;
            HsvToRgb(h, s, b);
            return colourWord(h, s, b);
        };
    if (name == "triplet-mix")
        return [](FormulaContext& c, FrameVariables& v) {
            const FormulaValue first = tripleValue(v.x * 255, v.y * 255, 128);
            std::int32_t h = truncToInt32(d(v) * 100), s = 200, b = 255;
            HsvToRgb(h, s, b);
            const FormulaValue second = tripleValue(h, s, b);
            const double w = ease(numberValue(noise2(c, v.x * 3, v.y * 3))).first;
            const FormulaValue mixed = TripleIndex(blend(first, second, w), v, 0, 0);
            return colourWord(truncToInt32(mixed.first), truncToInt32(mixed.second),
                              truncToInt32(mixed.third));
        };
    return {};
}

} // namespace trevalin::bench
