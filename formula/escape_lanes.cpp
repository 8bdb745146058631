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

} // namespace HWY_NAMESPACE
} // namespace trevalin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trevalin {

HWY_EXPORT(iterateSquareKernel);

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
