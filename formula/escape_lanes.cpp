#include "formula/escape_lanes.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "formula/escape_lanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

void iterateSquareKernel(const double* zx, const double* zy, const double* cxs, const double* cys,
                         int n, std::int32_t limit, double bound, std::int32_t* counts,
                         double* sizes) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    HWY_ALIGN double countOut[hn::MaxLanes(d)];
    HWY_ALIGN double sizeOut[hn::MaxLanes(d)];
    HWY_ALIGN double in[4][hn::MaxLanes(d)];
    const auto vBound = hn::Set(d, bound);
    for (int base = 0; base < n; base += lanes) {
        const int m = n - base < lanes ? n - base : lanes;
        // A short tail repeats its last point; the extra lanes are dropped.
        for (int k = 0; k < lanes; ++k) {
            const int i = base + (k < m ? k : m - 1);
            in[0][k] = zx[i];
            in[1][k] = zy[i];
            in[2][k] = cxs[i];
            in[3][k] = cys[i];
        }
        auto a = hn::Load(d, in[0]);
        auto b = hn::Load(d, in[1]);
        const auto cx = hn::Load(d, in[2]);
        const auto cy = hn::Load(d, in[3]);
        auto aa = hn::Mul(a, a);
        auto bb = hn::Mul(b, b);
        auto count = hn::Zero(d);
        auto size = hn::Zero(d);
        auto active = hn::FirstN(d, static_cast<std::size_t>(lanes));
        for (std::int64_t step = 1; step <= limit; ++step) {
            b = hn::Add(hn::Mul(hn::Add(a, a), b), cy);
            a = hn::Add(hn::Sub(aa, bb), cx);
            aa = hn::Mul(a, a);
            bb = hn::Mul(b, b);
            const auto s = hn::Add(aa, bb);
            const auto escaped = hn::And(active, hn::Ge(s, vBound));
            count = hn::IfThenElse(escaped, hn::Set(d, static_cast<double>(step)), count);
            size = hn::IfThenElse(escaped, s, size);
            active = hn::AndNot(escaped, active);
            if (hn::AllFalse(d, active)) break;
        }
        hn::Store(count, d, countOut);
        hn::Store(size, d, sizeOut);
        for (int k = 0; k < m; ++k) {
            counts[base + k] = static_cast<std::int32_t>(countOut[k]);
            sizes[base + k] = sizeOut[k];
        }
    }
}

// Runs step over the points (cx[i], cy[i]) lanes at a time until every lane
// has reached |z|^2 >= 4 or the limit; init gives z's start.
template <class Init, class Step>
void escapeLanes(const double* cxs, const double* cys, int n, std::int32_t limit,
                 std::int32_t* counts, Init init, Step step) {
    const hn::ScalableTag<double> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    HWY_ALIGN double countOut[hn::MaxLanes(d)];
    HWY_ALIGN double in[2][hn::MaxLanes(d)];
    const auto four = hn::Set(d, 4.0);
    for (int base = 0; base < n; base += lanes) {
        const int m = n - base < lanes ? n - base : lanes;
        for (int k = 0; k < lanes; ++k) {
            const int i = base + (k < m ? k : m - 1);
            in[0][k] = cxs[i];
            in[1][k] = cys[i];
        }
        const auto cx = hn::Load(d, in[0]);
        const auto cy = hn::Load(d, in[1]);
        auto a = hn::Zero(d);
        auto b = hn::Zero(d);
        init(a, b);
        auto count = hn::Zero(d);
        auto active = hn::FirstN(d, static_cast<std::size_t>(lanes));
        for (std::int64_t i = 1; i <= limit; ++i) {
            step(a, b, cx, cy);
            const auto escaped =
                hn::And(active, hn::Ge(hn::Add(hn::Mul(a, a), hn::Mul(b, b)), four));
            count = hn::IfThenElse(escaped, hn::Set(d, static_cast<double>(i)), count);
            active = hn::AndNot(escaped, active);
            if (hn::AllFalse(d, active)) break;
        }
        hn::Store(count, d, countOut);
        for (int k = 0; k < m; ++k)
            counts[base + k] = static_cast<std::int32_t>(countOut[k]);
    }
}

void iterateCubeKernel(const double* cxs, const double* cys, int n, std::int32_t limit,
                       double start, std::int32_t* counts) {
    const hn::ScalableTag<double> d;
    using V = hn::Vec<decltype(d)>;
    const auto three = hn::Set(d, 3.0);
    const auto z0 = hn::Set(d, start);
    escapeLanes(
        cxs, cys, n, limit, counts,
        [&](V& a, V& b) {
            a = z0;
            b = z0;
        },
        [&](V& a, V& b, const V& x, const V& y) {
            // a*a*a - 3.0*a*b*b + x and 3.0*a*a*b - b*b*b + y, left to right.
            const V re = hn::Add(
                hn::Sub(hn::Mul(hn::Mul(a, a), a), hn::Mul(hn::Mul(hn::Mul(three, a), b), b)), x);
            const V im = hn::Add(
                hn::Sub(hn::Mul(hn::Mul(hn::Mul(three, a), a), b), hn::Mul(hn::Mul(b, b), b)), y);
            a = re;
            b = im;
        });
}

void iterateDragonKernel(const double* cxs, const double* cys, int n, std::int32_t limit, double jx,
                         double jy, std::int32_t* counts) {
    const hn::ScalableTag<double> d;
    using V = hn::Vec<decltype(d)>;
    const auto a0 = hn::Set(d, jx);
    const auto b0 = hn::Set(d, jy);
    escapeLanes(
        cxs, cys, n, limit, counts,
        [&](V& a, V& b) {
            a = a0;
            b = b0;
        },
        [&](V& a, V& b, const V& x, const V& y) {
            const V p = hn::Sub(hn::Mul(a, x), hn::Mul(b, y));
            const V q = hn::Add(hn::Mul(b, x), hn::Mul(a, y));
            a = hn::Add(hn::Sub(p, hn::Mul(p, a)), hn::Mul(q, b));
            b = hn::Sub(hn::Add(hn::Sub(q, hn::Mul(q, a)), hn::Mul(q, b)), hn::Mul(p, b));
        });
}

} // namespace HWY_NAMESPACE
} // namespace trevalin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trevalin {

HWY_EXPORT(iterateSquareKernel);
HWY_EXPORT(iterateCubeKernel);
HWY_EXPORT(iterateDragonKernel);

void iterateCubeLanes(const double* cx, const double* cy, int n, std::int32_t limit, double start,
                      std::int32_t* counts) {
    HWY_DYNAMIC_DISPATCH(iterateCubeKernel)(cx, cy, n, limit, start, counts);
}

void iterateDragonLanes(const double* cx, const double* cy, int n, std::int32_t limit, double jx,
                        double jy, std::int32_t* counts) {
    HWY_DYNAMIC_DISPATCH(iterateDragonKernel)(cx, cy, n, limit, jx, jy, counts);
}

std::int32_t iterateCubeScalar(double x, double y, std::int32_t limit, double start) {
    double a = start, b = start;
    for (std::int64_t n = 1; n <= limit; ++n) {
        const double re = a * a * a - 3.0 * a * b * b + x;
        const double im = 3.0 * a * a * b - b * b * b + y;
        a = re;
        b = im;
        if (a * a + b * b >= 4.0) return static_cast<std::int32_t>(n);
    }
    return 0;
}

std::int32_t iterateDragonScalar(double x, double y, std::int32_t limit, double jx, double jy) {
    double a = jx, b = jy;
    for (std::int64_t n = 1; n <= limit; ++n) {
        const double p = a * x - b * y; // c * z
        const double q = b * x + a * y;
        a = p - p * a + q * b;
        // The imaginary part reads the new real part, as the map is defined.
        b = q - q * a + q * b - p * b;
        if (a * a + b * b >= 4.0) return static_cast<std::int32_t>(n);
    }
    return 0;
}

void iterateSquareLanes(const double* zx, const double* zy, const double* cx, const double* cy,
                        int n, std::int32_t limit, double bound, std::int32_t* counts,
                        double* sizes) {
    HWY_DYNAMIC_DISPATCH(iterateSquareKernel)(zx, zy, cx, cy, n, limit, bound, counts, sizes);
}

std::int32_t iterateSquareScalar(double a, double b, double cx, double cy, std::int32_t limit,
                                 double bound, double& escapeSize) {
    double aa = a * a, bb = b * b;
    for (std::int64_t n = 1; n <= limit; ++n) {
        b = (a + a) * b + cy;
        a = aa - bb + cx;
        aa = a * a;
        bb = b * b;
        const double size = aa + bb;
        if (size >= bound) {
            escapeSize = size;
            return static_cast<std::int32_t>(n);
        }
    }
    return 0;
}

} // namespace trevalin
#endif
