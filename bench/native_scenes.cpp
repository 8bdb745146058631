#include "bench/native_scenes.h"

#include <cmath>

#include "formula/arith.h"
#include "formula/fractals.h"
#include "formula/noise.h"
#include "formula/random_state.h"
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

// The range is finite with min < max, so a clamped value maps into 0 .. 255
// and a plain conversion suffices; a NaN compares false and becomes min.
inline std::int32_t clampedIndex(double v, double min, double max, double scale) {
    v = v >= min ? v : min;
    v = v > max ? max : v;
    return static_cast<std::int32_t>((v - min) * scale);
}

void arith(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    const double min = f.min, max = f.max, scale = f.scale;
    for (int py = 0; py < h; ++py) {
        const double y = py * f.ystep + f.top;
        for (int px = 0; px < w; ++px) {
            const double x = px * f.xstep + f.left;
            const std::uint32_t r =
                static_cast<std::uint32_t>(clampedIndex(x * y, min, max, scale));
            const std::uint32_t g =
                static_cast<std::uint32_t>(clampedIndex(x + y, min, max, scale));
            const std::uint32_t b =
                static_cast<std::uint32_t>(clampedIndex(x - y, min, max, scale));
            *out++ = r << 16 | g << 8 | b;
        }
    }
}

// cos(y*5) is the same along a row, so it is worked out once per row.
void trig(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    for (int py = 0; py < h; ++py) {
        const double y = py * f.ystep + f.top;
        const double cosY = std::cos(y * 5);
        const double dy = y - f.cy;
        for (int px = 0; px < w; ++px) {
            const double x = px * f.xstep + f.left;
            const double value = std::sin(x * 7) * cosY + std::sin(distance(x - f.cx, dy) * 9);
            *out++ = grey(clampedIndex(value, f.min, f.max, f.scale));
        }
    }
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

// turb(x*8, y*8) written out: eight octaves of value noise, whose y half
// (cell, weight, table entries) is worked out once per row and octave.
inline double latticeDraw(std::int32_t seed) {
    return RandomState::step(seed == 0 ? 1 : seed) * RandomState::kScale;
}

void turb(FormulaContext& c, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    constexpr int kOctaves = 8;
    for (int py = 0; py < h; ++py) {
        const double y = (py * f.ystep + f.top) * 8;
        double sy[kOctaves];
        std::int32_t t1[kOctaves], t1Next[kOctaves];
        double s = 1.0;
        for (int k = 0; k < kOctaves; ++k, s = s * 0.5) {
            const double Y = std::fabs(y / s);
            const std::int32_t j = static_cast<std::int32_t>(Y); // |y| stays far inside int32
            sy[k] = sCurve(Y - j);
            t1[k] = c.noiseT1[j & 255];
            t1Next[k] = c.noiseT1[(j + 1) & 255];
        }
        for (int px = 0; px < w; ++px) {
            const double x = (px * f.xstep + f.left) * 8;
            double sum = -1.0;
            s = 1.0;
            for (int k = 0; k < kOctaves; ++k, s = s * 0.5) {
                const double X = std::fabs(x / s);
                const std::int32_t i = static_cast<std::int32_t>(X);
                const double sx = sCurve(X - i);
                const std::int32_t t0 = c.noiseT0[i & 255], t0Next = c.noiseT0[(i + 1) & 255];
                const double c00 = latticeDraw(t0 ^ t1[k]), c10 = latticeDraw(t0Next ^ t1[k]);
                const double c01 = latticeDraw(t0 ^ t1Next[k]);
                const double c11 = latticeDraw(t0Next ^ t1Next[k]);
                const double value = sy[k] * (sx * c11 + (1.0 - sx) * c01) +
                                     (1.0 - sy[k]) * ((1.0 - sx) * c00 + sx * c10);
                sum = sum + s * value;
            }
            *out++ = grey(clampedIndex(sum, f.min, f.max, f.scale));
        }
    }
}

// fbm(x*8, y*8, 0.5, 1, 2, 6) written out: gradient noise inline, the octave
// weights 2^-k worked out once (with the same pow calls), and what depends only
// on the row (y) or only on the octave (z) worked out once per row and octave.
struct GradientAxis {
    unsigned cell; // floor, low bits
    double f0, f1, w;
};

inline GradientAxis gradientAxis(double c) {
    const std::int32_t t = static_cast<std::int32_t>(c); // |c| stays far inside int32
    const std::int32_t i = c < static_cast<double>(t) ? t - 1 : t;
    const double f0 = c - static_cast<double>(i);
    return GradientAxis{static_cast<unsigned>(i), f0, f0 - 1.0, f0 * f0 * (3.0 - 2.0 * f0)};
}

struct GradientTables {
    double gx[256], gy[256], gz[256];
    const std::uint8_t* perm;
};

// The four (y, z) corners' partial lattice indices and the y and z offsets.
struct RowOctave {
    unsigned jk[4]; // (j, k), (j + 1, k), (j, k + 1), (j + 1, k + 1)
    GradientAxis ay, az;
};

inline RowOctave rowOctave(const GradientTables& t, double y, double z) {
    RowOctave r;
    r.ay = gradientAxis(y);
    r.az = gradientAxis(z);
    const unsigned j = r.ay.cell, k = r.az.cell;
    const unsigned pk0 = t.perm[k & 255u], pk1 = t.perm[(k + 1) & 255u];
    r.jk[0] = t.perm[(j + pk0) & 255u];
    r.jk[1] = t.perm[(j + 1 + pk0) & 255u];
    r.jk[2] = t.perm[(j + pk1) & 255u];
    r.jk[3] = t.perm[(j + 1 + pk1) & 255u];
    return r;
}

inline double corner(const GradientTables& t, unsigned i, unsigned jk, double dx, double dy,
                     double dz) {
    const unsigned g = t.perm[(i + jk) & 255u];
    return t.gx[g] * dx + t.gy[g] * dy + t.gz[g] * dz;
}

inline double lerp(double a, double b, double w) {
    return a + (b - a) * w;
}

inline double gradientAt(const GradientTables& t, double x, const RowOctave& r) {
    const GradientAxis ax = gradientAxis(x);
    const unsigned i = ax.cell;
    const GradientAxis &ay = r.ay, &az = r.az;
    const double a0 = lerp(corner(t, i, r.jk[0], ax.f0, ay.f0, az.f0),
                           corner(t, i + 1, r.jk[0], ax.f1, ay.f0, az.f0), ax.w);
    const double a1 = lerp(corner(t, i, r.jk[1], ax.f0, ay.f1, az.f0),
                           corner(t, i + 1, r.jk[1], ax.f1, ay.f1, az.f0), ax.w);
    const double b0 = lerp(corner(t, i, r.jk[2], ax.f0, ay.f0, az.f1),
                           corner(t, i + 1, r.jk[2], ax.f1, ay.f0, az.f1), ax.w);
    const double b1 = lerp(corner(t, i, r.jk[3], ax.f0, ay.f1, az.f1),
                           corner(t, i + 1, r.jk[3], ax.f1, ay.f1, az.f1), ax.w);
    return lerp(lerp(a0, a1, ay.w), lerp(b0, b1, ay.w), az.w);
}

void fbmScene(FormulaContext&, const FrameVariables& f, std::uint32_t* out, int w, int h) {
    constexpr int kOctaves = 6;
    GradientTables t;
    for (int i = 0; i < 256; ++i)
        gradientEntry(i, t.gx[i], t.gy[i], t.gz[i]);
    t.perm = gradientPermutation();
    double weights[kOctaves];
    double freq = 1.0;
    weights[0] = 1.0;
    for (int k = 1; k < kOctaves; ++k) {
        freq = freq * 2;
        weights[k] = std::pow(freq, -1.0);
    }
    for (int py = 0; py < h; ++py) {
        const double y0 = (py * f.ystep + f.top) * 8;
        RowOctave rows[kOctaves];
        double y = y0, z = 0.5;
        for (int k = 0; k < kOctaves; ++k) {
            rows[k] = rowOctave(t, y, z);
            y = y * 2;
            z = z * 2;
        }
        for (int px = 0; px < w; ++px) {
            double x = (px * f.xstep + f.left) * 8;
            double sum = gradientAt(t, x, rows[0]);
            for (int k = 1; k < kOctaves; ++k) {
                x = x * 2;
                sum = sum + weights[k] * gradientAt(t, x, rows[k]);
            }
            *out++ = grey(clampedIndex(sum, f.min, f.max, f.scale));
        }
    }
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
