#include "formula/noise.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "formula/arith.h"
#include "formula/formula_context.h"
#include "formula/gradient_lanes.h"
#include "formula/lane_clones.h"
#include "formula/random_state.h"
#include "formula/scalar_functions.h"
#include "formula/turbulence_lanes.h"

namespace trevalin {
namespace {

// |i| mod 256. Lattice coordinates are int32 values plus one, so they fit an
// int64 and the absolute value cannot overflow.
inline unsigned tableIndex(std::int64_t i) {
    const std::uint64_t magnitude =
        i < 0 ? 0u - static_cast<std::uint64_t>(i) : static_cast<std::uint64_t>(i);
    return static_cast<unsigned>(magnitude & 255u);
}

// One real draw from seed, as set-state, draw, restore-state would give.
inline double drawFrom(std::int32_t seed) {
    return RandomState::step(seed == 0 ? 1 : seed) * RandomState::kScale;
}

// Bilinear mix of the four corner values of one lattice cell.
inline double mixCell(double sx, double sy, double c00, double c10, double c01, double c11) {
    return sy * (sx * c11 + (1.0 - sx) * c01) + (1.0 - sy) * ((1.0 - sx) * c00 + sx * c10);
}

double valuePlane(const FormulaContext& ctx, std::int64_t i, std::int64_t j, std::int64_t k,
                  double sx, double sy) {
    return mixCell(sx, sy, valueLattice3(ctx, i, j, k), valueLattice3(ctx, i + 1, j, k),
                   valueLattice3(ctx, i, j + 1, k), valueLattice3(ctx, i + 1, j + 1, k));
}

// A permutation of 0 .. 255 that scrambles lattice points into gradient indices.
constexpr std::uint8_t kPermutation[256] = {
    225, 155, 210, 108, 175, 199, 221, 144, 203, 116, 70,  213, 69,  158, 33,  252, 5,   82,  173,
    133, 222, 139, 174, 27,  9,   71,  90,  246, 75,  130, 91,  191, 169, 138, 2,   151, 194, 235,
    81,  7,   25,  113, 228, 159, 205, 253, 134, 142, 248, 65,  224, 217, 22,  121, 229, 63,  89,
    103, 96,  104, 156, 17,  201, 129, 36,  8,   165, 110, 237, 117, 231, 56,  132, 211, 152, 20,
    181, 111, 239, 218, 170, 163, 51,  172, 157, 47,  80,  212, 176, 250, 87,  49,  99,  242, 136,
    189, 162, 115, 44,  43,  124, 94,  150, 16,  141, 247, 32,  10,  198, 223, 255, 72,  53,  131,
    84,  57,  220, 197, 58,  50,  208, 11,  241, 28,  3,   192, 62,  202, 18,  215, 153, 24,  76,
    41,  15,  179, 39,  46,  55,  6,   128, 167, 23,  188, 106, 34,  187, 140, 164, 73,  112, 182,
    244, 195, 227, 13,  35,  77,  196, 185, 26,  200, 226, 119, 31,  123, 168, 125, 249, 68,  183,
    230, 177, 135, 160, 180, 12,  1,   243, 148, 102, 166, 38,  238, 251, 37,  240, 126, 64,  74,
    161, 40,  184, 149, 171, 178, 101, 66,  29,  59,  146, 61,  254, 107, 42,  86,  154, 4,   236,
    232, 120, 21,  233, 209, 45,  98,  193, 114, 78,  19,  206, 14,  118, 127, 48,  79,  147, 85,
    30,  207, 219, 54,  88,  234, 190, 122, 95,  67,  143, 109, 137, 214, 145, 93,  92,  100, 245,
    0,   216, 186, 60,  83,  105, 97,  204, 52,
};

struct Gradient {
    double x, y, z;
};

// Process-wide and built on first use, so formulas without gradient noise
// leave RandomState alone. Not locked: formulas run on one thread at a time.
Gradient gGradients[256];
LatticeGradients gLatticeGradients; // the same, in the order the lattice picks them
bool gGradientsBuilt = false;

void buildGradients() {
    RandomState::set(665);
    for (Gradient& g : gGradients) {
        const double r1 = RandomState::nextReal();
        const double z = 1.0 - 2.0 * r1;
        const double rho = std::sqrt(1.0 - z * z);
        const double r2 = RandomState::nextReal();
        const double theta = kTwoPi * r2;
        g = Gradient{rho * std::cos(theta), rho * std::sin(theta), z};
    }
    for (int m = 0; m < 256 + kLatticeWrap; ++m) {
        const Gradient& g = gGradients[kPermutation[m & 255]];
        gLatticeGradients.x[m] = g.x;
        gLatticeGradients.y[m] = g.y;
        gLatticeGradients.z[m] = g.z;
    }
    gGradientsBuilt = true;
}

inline const Gradient* gradients() {
    if (!gGradientsBuilt) buildGradients();
    return gGradients;
}

inline double lerp(double a, double b, double w) {
    return a + (b - a) * w;
}

// floor(c) as an integer that may step one below INT32_MIN, its low bits for
// the lattice and the offsets of c from the cell's two faces.
struct Axis {
    std::uint32_t cell;
    double f0, f1, w;
};

inline Axis axisOf(double c) {
    std::int64_t ic = truncToInt32(c);
    if (c < 0.0 && c != static_cast<double>(ic)) ic -= 1;
    const double f0 = c - static_cast<double>(ic);
    return Axis{static_cast<std::uint32_t>(ic), f0, f0 - 1.0, sCurve(f0)};
}

// Past this many weighted terms fbm stops even with octaves left: with a
// lacunarity of 1 or a non-positive H the weights never fall below 1e-11, and
// a huge or infinite octave count would otherwise never end.
constexpr int kMaxFbmTerms = 65536;

// The weights of fbm's octaves past the first, for one H, lacunarity and
// octave count, as fbm's loop makes them; false when there are more than fit.
constexpr int kMaxScheduledTerms = 64;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kLatticeReach = 2147483648.0; // |c| below this: an int32 cell, finite noise
bool fbmWeights(double H, double lacunarity, double octaves, double* weights, int& count) {
    count = 0;
    double r = octaves - 1.0;
    double f = 1.0;
    if (r < 0.0) return true;
    int terms = 0;
    do {
        if (count == kMaxScheduledTerms) return false;
        f = f * lacunarity;
        double w = std::pow(f, -H);
        if (r < 1.0) w = w * r;
        weights[count++] = w;
        if (w < 1e-11) break;
        r = r - 1.0;
    } while (r >= 0.0 && ++terms < kMaxFbmTerms);
    return true;
}

// Whether every |xs[i]| is below 2^31 (no NaN), where a cell is floor(x).
inline bool insideLattice(const double* xs, int n) {
    bool inside = true;
    for (int i = 0; i < n; ++i)
        inside = inside && std::fabs(xs[i]) < kLatticeReach;
    return inside;
}

inline bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What gradient noise needs of y and z: their axes and, for the four (y, z)
// corners of the cell, the inner part of the lattice scramble. Shared by the
// points of a row, whose y and z agree.
struct CellYZ {
    Axis ay, az;
    unsigned jk[4]; // corners (y, z), (y + 1, z), (y, z + 1), (y + 1, z + 1)
};

[[gnu::always_inline]] inline CellYZ cellYZ(double y, double z) {
    CellYZ c;
    c.ay = axisOf(y);
    c.az = axisOf(z);
    const std::uint32_t j = c.ay.cell, k = c.az.cell;
    const unsigned k0 = kPermutation[k & 255u], k1 = kPermutation[(k + 1) & 255u];
    c.jk[0] = kPermutation[(j + k0) & 255u];
    c.jk[1] = kPermutation[(j + 1 + k0) & 255u];
    c.jk[2] = kPermutation[(j + k1) & 255u];
    c.jk[3] = kPermutation[(j + 1 + k1) & 255u];
    return c;
}

// Sums wrap and only the low 8 bits matter, so the lattice works in unsigned.
inline double corner(const Gradient* table, std::uint32_t i, unsigned jk, double dx, double dy,
                     double dz) {
    const Gradient& g = table[kPermutation[(i + jk) & 255u]];
    return g.x * dx + g.y * dy + g.z * dz;
}

[[gnu::always_inline]] inline double gradientNoiseAt(const Gradient* table, double x,
                                                     const CellYZ& c) {
    const Axis ax = axisOf(x);
    const Axis &ay = c.ay, &az = c.az;
    const std::uint32_t ix = ax.cell;
    const double a0 = lerp(corner(table, ix, c.jk[0], ax.f0, ay.f0, az.f0),
                           corner(table, ix + 1, c.jk[0], ax.f1, ay.f0, az.f0), ax.w);
    const double a1 = lerp(corner(table, ix, c.jk[1], ax.f0, ay.f1, az.f0),
                           corner(table, ix + 1, c.jk[1], ax.f1, ay.f1, az.f0), ax.w);
    const double A = lerp(a0, a1, ay.w);
    const double b0 = lerp(corner(table, ix, c.jk[2], ax.f0, ay.f0, az.f1),
                           corner(table, ix + 1, c.jk[2], ax.f1, ay.f0, az.f1), ax.w);
    const double b1 = lerp(corner(table, ix, c.jk[3], ax.f0, ay.f1, az.f1),
                           corner(table, ix + 1, c.jk[3], ax.f1, ay.f1, az.f1), ax.w);
    const double B = lerp(b0, b1, ay.w);
    return lerp(A, B, az.w);
}

// Gradient noise over a built table.
[[gnu::always_inline]] inline double gradientNoiseOver(const Gradient* table, double x, double y,
                                                       double z) {
    return gradientNoiseAt(table, x, cellYZ(y, z));
}

// What the vector lanes need of a row's y and z.
GradientRow gradientRow(double y, double z) {
    const CellYZ c = cellYZ(y, z);
    return GradientRow{
        c.ay.f0, c.ay.f1, c.ay.w, c.az.f0, c.az.f1, c.az.w, {c.jk[0], c.jk[1], c.jk[2], c.jk[3]}};
}

// Whether the n values agree, to the bit (the y of a row's points).
bool allAlike(const double* y, int n) {
    bool alike = true;
    for (int i = 1; i < n && alike; ++i)
        alike = sameBits(y[i], y[0]);
    return alike;
}

// Whether the points' y and z agree (the points of a row), to the bit.
bool sameRow(const double* y, const double* z, int n) {
    return allAlike(y, n) && allAlike(z, n);
}

// The lanes the row functions take at a time, on the stack.
constexpr int kRowChunk = 64;

// What an octave of value noise at (x / s, y / s) needs of y: its weight and
// the y lattice's two table entries.
TurbulenceOctave valueOctave(const FormulaContext& ctx, double y, double s) {
    const double Y = std::fabs(y / s);
    const std::int64_t j = truncToInt32(Y);
    return TurbulenceOctave{s, sCurve(Y - static_cast<double>(j)), ctx.noiseT1[tableIndex(j)],
                            ctx.noiseT1[tableIndex(j + 1)]};
}

// noise3 at (xs[i], y, z) for the n <= kRowChunk lanes of a row, into out
// (not over xs): each z plane is the row kernel's single octave, with the z
// table's entry folded into the y table's, and the planes are blended as
// noise3 does.
void noise3Row(const FormulaContext& ctx, const double* xs, double y, double z, double* out,
               int n) {
    const double Y = std::fabs(y), Z = std::fabs(z);
    const std::int64_t j = truncToInt32(Y), k = truncToInt32(Z);
    const double sy = sCurve(Y - static_cast<double>(j));
    const double sz = sCurve(Z - static_cast<double>(k));
    auto plane = [&](std::int64_t kk, double* values) {
        const std::int32_t t2 = ctx.noiseT2[tableIndex(kk)];
        const TurbulenceOctave o{1.0, sy, ctx.noiseT1[tableIndex(j)] ^ t2,
                                 ctx.noiseT1[tableIndex(j + 1)] ^ t2};
        turbulenceRowLanes(ctx.noiseT0, &o, 1, -0.0, xs, values, n);
    };
    plane(k, out);
    if (sz == 0.0) return;
    double B[kRowChunk];
    plane(k + 1, B);
    for (int i = 0; i < n; ++i)
        out[i] = sz * B[i] + (1.0 - sz) * out[i];
}

} // namespace

double valueLattice2(const FormulaContext& ctx, std::int64_t i, std::int64_t j) {
    return drawFrom(ctx.noiseT0[tableIndex(i)] ^ ctx.noiseT1[tableIndex(j)]);
}

double valueLattice3(const FormulaContext& ctx, std::int64_t i, std::int64_t j, std::int64_t k) {
    return drawFrom(ctx.noiseT0[tableIndex(i)] ^ ctx.noiseT1[tableIndex(j)] ^
                    ctx.noiseT2[tableIndex(k)]);
}

double noise2(const FormulaContext& ctx, double x, double y) {
    const double X = std::fabs(x), Y = std::fabs(y);
    const std::int64_t i = truncToInt32(X), j = truncToInt32(Y);
    const double sx = sCurve(X - static_cast<double>(i));
    const double sy = sCurve(Y - static_cast<double>(j));
    return mixCell(sx, sy, valueLattice2(ctx, i, j), valueLattice2(ctx, i + 1, j),
                   valueLattice2(ctx, i, j + 1), valueLattice2(ctx, i + 1, j + 1));
}

double noise3(const FormulaContext& ctx, double x, double y, double z) {
    const double X = std::fabs(x), Y = std::fabs(y), Z = std::fabs(z);
    const std::int64_t i = truncToInt32(X), j = truncToInt32(Y), k = truncToInt32(Z);
    const double sx = sCurve(X - static_cast<double>(i));
    const double sy = sCurve(Y - static_cast<double>(j));
    const double sz = sCurve(Z - static_cast<double>(k));
    const double A = valuePlane(ctx, i, j, k, sx, sy);
    if (sz == 0.0) return A;
    const double B = valuePlane(ctx, i, j, k + 1, sx, sy);
    return sz * B + (1.0 - sz) * A;
}

double turbulence2(const FormulaContext& ctx, double x, double y) {
    double sum = -1.0, s = 1.0;
    do {
        sum = sum + s * noise2(ctx, x / s, y / s);
        s = s * 0.5;
    } while (s > 0.00390625);
    return sum;
}

void noise2Lanes(const FormulaContext& ctx, const double* x, const double* y, double* out, int n) {
    if (n <= 0) return;
    if (!allAlike(y, n)) {
        for (int i = 0; i < n; ++i)
            out[i] = noise2(ctx, x[i], y[i]);
        return;
    }
    // -0 + 1 * v is v, whatever v is.
    const TurbulenceOctave octave = valueOctave(ctx, y[0], 1.0);
    turbulenceRowLanes(ctx.noiseT0, &octave, 1, -0.0, x, out, n);
}

void turbulence2Lanes(const FormulaContext& ctx, const double* x, const double* y, double* out,
                      int n) {
    if (n <= 0) return;
    if (!allAlike(y, n)) {
        for (int i = 0; i < n; ++i)
            out[i] = turbulence2(ctx, x[i], y[i]);
        return;
    }
    // noise2 at (x / s, y / s) octave by octave, its y half once for every
    // lane, the x half on vectors.
    TurbulenceOctave octaves[8]; // s = 1 .. 1/128, as turbulence2 takes them
    int count = 0;
    double s = 1.0;
    do {
        octaves[count++] = valueOctave(ctx, y[0], s);
        s = s * 0.5;
    } while (s > 0.00390625);
    turbulenceRowLanes(ctx.noiseT0, octaves, count, -1.0, x, out, n);
}

double turbulence3(const FormulaContext& ctx, double x, double y, double z) {
    double sum = -1.0, s = 1.0;
    do {
        sum = sum + s * noise3(ctx, x / s, y / s, z / s);
        s = s * 0.5;
    } while (s > 0.00390625);
    return sum;
}

void noise3Lanes(const FormulaContext& ctx, const double* x, const double* y, const double* z,
                 double* out, int n) {
    for (int first = 0; first < n; first += kRowChunk) {
        const int m = n - first < kRowChunk ? n - first : kRowChunk;
        const double *cx = x + first, *cy = y + first, *cz = z + first;
        if (sameRow(cy, cz, m)) {
            noise3Row(ctx, cx, cy[0], cz[0], out + first, m);
            continue;
        }
        for (int i = 0; i < m; ++i)
            out[first + i] = noise3(ctx, cx[i], cy[i], cz[i]);
    }
}

void turbulence3Lanes(const FormulaContext& ctx, const double* x, const double* y, const double* z,
                      double* out, int n) {
    for (int first = 0; first < n; first += kRowChunk) {
        const int m = n - first < kRowChunk ? n - first : kRowChunk;
        const double *cx = x + first, *cy = y + first, *cz = z + first;
        if (!sameRow(cy, cz, m)) {
            for (int i = 0; i < m; ++i)
                out[first + i] = turbulence3(ctx, cx[i], cy[i], cz[i]);
            continue;
        }
        double sums[kRowChunk], xs[kRowChunk], v[kRowChunk];
        for (int i = 0; i < m; ++i)
            sums[i] = -1.0;
        double s = 1.0;
        do {
            for (int i = 0; i < m; ++i)
                xs[i] = cx[i] / s;
            noise3Row(ctx, xs, cy[0] / s, cz[0] / s, v, m);
            for (int i = 0; i < m; ++i)
                sums[i] = sums[i] + s * v[i];
            s = s * 0.5;
        } while (s > 0.00390625);
        for (int i = 0; i < m; ++i)
            out[first + i] = sums[i];
    }
}

double gradientNoise3(double x, double y, double z) {
    return gradientNoiseOver(gradients(), x, y, z);
}

void gradientNoise3Lanes(const double* x, const double* y, const double* z, double* out, int n) {
    const Gradient* table = gradients();
    if (n > 0 && sameRow(y, z, n) && insideLattice(x, n)) {
        gradientRowLanes(gLatticeGradients, gradientRow(y[0], z[0]), x, nullptr, out, n);
        return;
    }
    for (int i = 0; i < n; ++i)
        out[i] = gradientNoiseOver(table, x[i], y[i], z[i]);
}

double gradientTurbulence3(double x, double y, double z) {
    double sum = 0.0, s = 1.0;
    do {
        sum = sum + s * gradientNoise3(x / s, y / s, z / s);
        s = s * 0.5;
    } while (s > 0.00390625);
    return sum * 0.5;
}

double fbm(double x, double y, double z, double H, double lacunarity, double octaves) {
    double sum = gradientNoise3(x, y, z);
    double r = octaves - 1.0;
    double f = 1.0;
    if (r < 0.0) return sum;
    int terms = 0;
    do {
        x = x * lacunarity;
        y = y * lacunarity;
        z = z * lacunarity;
        f = f * lacunarity;
        double w = std::pow(f, -H);
        if (r < 1.0) w = w * r; // the fractional last octave
        sum = sum + w * gradientNoise3(x, y, z);
        if (w < 1e-11) break;
        r = r - 1.0;
    } while (r >= 0.0 && ++terms < kMaxFbmTerms);
    return sum;
}

void gradientTurbulence3Lanes(const double* x, const double* y, const double* z, double* out,
                              int n) {
    const Gradient* table = gradients();
    for (int first = 0; first < n; first += kRowChunk) {
        const int m = n - first < kRowChunk ? n - first : kRowChunk;
        const double* const cx = x + first;
        const double* const cy = y + first;
        const double* const cz = z + first;
        const bool row = sameRow(cy, cz, m);
        double sums[kRowChunk], xs[kRowChunk];
        for (int i = 0; i < m; ++i)
            sums[i] = 0.0;
        double s = 1.0;
        do {
            for (int i = 0; i < m; ++i)
                xs[i] = cx[i] / s;
            if (row && insideLattice(xs, m)) {
                gradientRowLanes(gLatticeGradients, gradientRow(cy[0] / s, cz[0] / s), xs, &s, sums,
                                 m);
            } else {
                for (int i = 0; i < m; ++i)
                    sums[i] = sums[i] + s * gradientNoiseOver(table, xs[i], cy[i] / s, cz[i] / s);
            }
            s = s * 0.5;
        } while (s > 0.00390625);
        for (int i = 0; i < m; ++i)
            out[first + i] = sums[i] * 0.5;
    }
}

TREVALIN_LANE_CLONES void fbmLanes(const double* x, const double* y, const double* z,
                                   const double* H, const double* lacunarity, const double* octaves,
                                   double* out, int n) {
    if (n <= 0) return;
    bool alike = true;
    for (int i = 1; i < n && alike; ++i)
        alike = sameBits(H[i], H[0]) && sameBits(lacunarity[i], lacunarity[0]) &&
                sameBits(octaves[i], octaves[0]);
    // The weights cost a pow per octave; a frame asks for the same ones batch
    // after batch, so the last set is kept, per thread, keyed by the bits.
    struct Schedule {
        bool valid = false, fits = false;
        double H = 0, lacunarity = 0, octaves = 0;
        double weights[kMaxScheduledTerms];
        int count = 0;
    };
    thread_local Schedule last;
    if (alike &&
        !(last.valid && sameBits(last.H, H[0]) && sameBits(last.lacunarity, lacunarity[0]) &&
          sameBits(last.octaves, octaves[0]))) {
        last.fits = fbmWeights(H[0], lacunarity[0], octaves[0], last.weights, last.count);
        last.H = H[0];
        last.lacunarity = lacunarity[0];
        last.octaves = octaves[0];
        last.valid = true;
    }
    const double* weights = last.weights;
    const int count = last.count;
    if (!alike || !last.fits) {
        for (int i = 0; i < n; ++i)
            out[i] = fbm(x[i], y[i], z[i], H[i], lacunarity[i], octaves[i]);
        return;
    }
    const Gradient* table = gradients();
    const double lac = lacunarity[0];
    // Octave by octave over chunks of lanes, so that a row's points, whose y
    // and z agree, share that part of the work. Each lane's sum sees the same
    // operations in the same order as in fbm.
    for (int first = 0; first < n; first += kRowChunk) {
        const int m = n - first < kRowChunk ? n - first : kRowChunk;
        double xs[kRowChunk], ys[kRowChunk], zs[kRowChunk], sums[kRowChunk];
        bool yzAlike = true;
        for (int i = 0; i < m; ++i) {
            xs[i] = x[first + i];
            ys[i] = y[first + i];
            zs[i] = z[first + i];
            yzAlike = yzAlike && sameBits(ys[i], ys[0]) && sameBits(zs[i], zs[0]);
        }
        for (int k = 0; k <= count; ++k) {
            if (k > 0)
                for (int i = 0; i < m; ++i) {
                    xs[i] = xs[i] * lac;
                    ys[i] = ys[i] * lac;
                    zs[i] = zs[i] * lac;
                }
            if (k > 0 && sameBits(weights[k - 1], 0.0)) {
                // A last octave weighted +0 (a whole octave count) adds +-0:
                // nothing, to a sum that is finite and not 0, when the noise
                // is finite, which it is for points inside the int32 lattice.
                for (int i = 0; i < m; ++i)
                    if (!(std::fabs(sums[i]) > 0.0 && std::fabs(sums[i]) < kInfinity &&
                          std::fabs(xs[i]) < kLatticeReach && std::fabs(ys[i]) < kLatticeReach &&
                          std::fabs(zs[i]) < kLatticeReach))
                        sums[i] = sums[i] +
                                  weights[k - 1] * gradientNoiseOver(table, xs[i], ys[i], zs[i]);
                continue;
            }
            if (yzAlike && insideLattice(xs, m)) {
                gradientRowLanes(gLatticeGradients, gradientRow(ys[0], zs[0]), xs,
                                 k == 0 ? nullptr : &weights[k - 1], sums, m);
            } else if (yzAlike) {
                const CellYZ c = cellYZ(ys[0], zs[0]);
                if (k == 0)
                    for (int i = 0; i < m; ++i)
                        sums[i] = gradientNoiseAt(table, xs[i], c);
                else
                    for (int i = 0; i < m; ++i)
                        sums[i] = sums[i] + weights[k - 1] * gradientNoiseAt(table, xs[i], c);
            } else {
                if (k == 0)
                    for (int i = 0; i < m; ++i)
                        sums[i] = gradientNoiseOver(table, xs[i], ys[i], zs[i]);
                else
                    for (int i = 0; i < m; ++i)
                        sums[i] = sums[i] +
                                  weights[k - 1] * gradientNoiseOver(table, xs[i], ys[i], zs[i]);
            }
        }
        for (int i = 0; i < m; ++i)
            out[first + i] = sums[i];
    }
}

void gradientEntry(int index, double& gx, double& gy, double& gz) {
    const Gradient& g = gradients()[index & 255];
    gx = g.x;
    gy = g.y;
    gz = g.z;
}

const std::uint8_t* gradientPermutation() {
    return kPermutation;
}

bool gradientTableBuilt() {
    return gGradientsBuilt;
}

void forgetGradientTable() {
    gGradientsBuilt = false;
}

FormulaValue ease(const FormulaValue& v) {
    if (!v.isTriple) return numberValue(sCurve(v.first));
    return tripleValue(sCurve(v.first), sCurve(v.second), sCurve(v.third));
}

FormulaValue blend(const FormulaValue& a, const FormulaValue& b, double w) {
    if (!(w >= 0.0))
        w = 0.0;
    else if (w > 1.0)
        w = 1.0;
    if (!a.isTriple && !b.isTriple) return numberValue((1.0 - w) * a.first + w * b.first);
    // A number lends its value to every component.
    const double a2 = a.isTriple ? a.second : a.first, a3 = a.isTriple ? a.third : a.first;
    const double b2 = b.isTriple ? b.second : b.first, b3 = b.isTriple ? b.third : b.first;
    return tripleValue((1.0 - w) * a.first + w * b.first, (1.0 - w) * a2 + w * b2,
                       (1.0 - w) * a3 + w * b3);
}

} // namespace trevalin
