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

// "Pin to Min/Max" without Cycle, inlined where the loops need it.
inline std::int32_t pinnedIndex(double v, double min, double max, double scale) {
    if (!(v >= min))
        v = min;
    else if (v > max)
        v = max;
    return truncToInt32((v - min) * scale) & 0xFF;
}

// Calls pixel(v) for every pixel in rows, v holding its plane point.
template <typename Pixel>
inline void eachPixel(const FrameVariables& frame, std::uint32_t* out, int width, int height,
                      Pixel pixel) {
    FrameVariables v = frame;
    for (int py = 0; py < height; ++py) {
        v.py = py;
        v.y = py * v.ystep + v.top;
        for (int px = 0; px < width; ++px) {
            v.px = px;
            v.x = px * v.xstep + v.left;
            *out++ = pixel(v);
        }
    }
}

double d(const FrameVariables& v) {
    return distance(v.x - v.cx, v.y - v.cy);
}
double a(const FrameVariables& v) {
    return angle(v.x - v.cx, v.y - v.cy);
}

void arith(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    const double min = f.min, max = f.max, scale = f.scale;
    for (int py = 0; py < h; ++py) {
        const double y = py * f.ystep + f.top;
        for (int px = 0; px < w; ++px) {
            const double x = px * f.xstep + f.left;
            *out++ =
                colourWord(pinnedIndex(x * y, min, max, scale), pinnedIndex(x + y, min, max, scale),
                           pinnedIndex(x - y, min, max, scale));
        }
    }
}

void trig(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        const double value = std::sin(v.x * 7) * std::cos(v.y * 5) + std::sin(d(v) * 9);
        return grey(pinnedIndex(value, f.min, f.max, f.scale));
    });
}

void mandelScene(FormulaContext& c, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        return grey(colourIndex(mandel(c, v.x, v.y), v, 1, 0));
    });
}

void juliaRgb(FormulaContext& c, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        const double j = julia(c, v.x, v.y, v.jx, v.jy);
        return colourWord(colourIndex(j, v, 1, 0), colourIndex(j * 4, v, 1, 0),
                          colourIndex(j * 16, v, 1, 0));
    });
}

void turb(FormulaContext& c, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        return grey(pinnedIndex(turbulence2(c, v.x * 8, v.y * 8), f.min, f.max, f.scale));
    });
}

// fbm(x*8, y*8, 0.5, 1, 2, 6): the octave weights 2^-k depend on nothing per
// pixel, so they are worked out once, with the same pow calls.
void fbmScene(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    double weights[5];
    double freq = 1.0;
    for (double& wt : weights) {
        freq = freq * 2;
        wt = std::pow(freq, -1.0);
    }
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        double x = v.x * 8, y = v.y * 8, z = 0.5;
        double sum = gradientNoise3(x, y, z);
        for (double wt : weights) {
            x = x * 2;
            y = y * 2;
            z = z * 2;
            sum = sum + wt * gradientNoise3(x, y, z);
        }
        return grey(pinnedIndex(sum, f.min, f.max, f.scale));
    });
}

void hsvOversample(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& pixel) {
        FrameVariables v = pixel;
        std::int32_t hue = 0, sat = 0, val = 0;
        auto sample = [&] {
            hue += pinnedIndex(a(v) * 40, f.min, f.max, f.scale);
            sat += pinnedIndex(255, f.min, f.max, f.scale);
            val += pinnedIndex(zebra(d(v) * 50, 16, 0, 0) * 16, f.min, f.max, f.scale);
        };
        const double x = v.x, y = v.y;
        sample();
        v.y = y + v.ystep / 2;
        sample();
        v.x = x + v.xstep / 2;
        sample();
        v.y = y;
        sample();
        hue >>= 2;
        sat >>= 2;
        val >>= 2;
        hsvToRgb(hue, sat, val);
        return colourWord(hue, sat, val);
    });
}

void tripletMix(FormulaContext& c, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    eachPixel(f, out, w, h, [&](const FrameVariables& v) {
        const FormulaValue first = tripleValue(v.x * 255, v.y * 255, 128);
        std::int32_t hue = truncToInt32(d(v) * 100), sat = 200, val = 255;
        hsvToRgb(hue, sat, val);
        const FormulaValue second = tripleValue(hue, sat, val);
        const double wt = ease(numberValue(noise2(c, v.x * 3, v.y * 3))).first;
        const FormulaValue mixed = tripleIndex(blend(first, second, wt), v, 0, 0);
        return colourWord(truncToInt32(mixed.first), truncToInt32(mixed.second),
                          truncToInt32(mixed.third));
    });
}

} // namespace

NativeScene nativeScene(const std::string& name) {
    struct Row {
        const char* name;
        NativeScene scene;
    };
    static const Row rows[] = {
        {"arith", arith},
        {"trig", trig},
        {"mandel", mandelScene},
        {"julia-rgb", juliaRgb},
        {"turb", turb},
        {"fbm", fbmScene},
        {"hsv-oversample", hsvOversample},
        {"triplet-mix", tripletMix},
    };
    for (const Row& r : rows)
        if (name == r.name) return r.scene;
    return nullptr;
}

} // namespace trevalin::bench
