#include "formula/gradient_lanes.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "formula/gradient_lanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "formula/lane_types.h"

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

using Idx = decltype(hn::IndicesFromVec(D(), hn::Zero(DI())));
static_assert(kMaxLanes <= kLatticeWrap, "a run of lanes entries reads past the table");

// a + (b - a) * w
V lerp(V a, V b, V w) {
    return hn::Add(a, hn::Mul(hn::Sub(b, a), w));
}

// g dotted with the corner's offsets, in the scalar code's order.
V dot(V gx, V gy, V gz, V dx, V dy, V dz) {
    return hn::Add(hn::Add(hn::Mul(gx, dx), hn::Mul(gy, dy)), hn::Mul(gz, dz));
}

// The corner's gradient (at lattice entry m) dotted with its offsets.
V corner(const LatticeGradients& t, VI m, V dx, V dy, V dz) {
    const D d;
    return dot(hn::GatherIndex(d, t.x, m), hn::GatherIndex(d, t.y, m), hn::GatherIndex(d, t.z, m),
               dx, dy, dz);
}

// The two corners (cell, jk) and (cell + 1, jk) of each lane, lerped by w,
// when the lanes' cells lie within lanes - 2 of the first: the entries all
// come from one run of the table, which a lookup within the vector reads.
V cornerPair(const LatticeGradients& t, std::size_t first, Idx at0, Idx at1, V f0, V f1, V dy, V dz,
             V w) {
    const D d;
    const V x = hn::LoadU(d, t.x + first), y = hn::LoadU(d, t.y + first),
            z = hn::LoadU(d, t.z + first);
    const V c0 = dot(hn::TableLookupLanes(x, at0), hn::TableLookupLanes(y, at0),
                     hn::TableLookupLanes(z, at0), f0, dy, dz);
    const V c1 = dot(hn::TableLookupLanes(x, at1), hn::TableLookupLanes(y, at1),
                     hn::TableLookupLanes(z, at1), f1, dy, dz);
    return lerp(c0, c1, w);
}

// The noise from its corners: pair(k, dy, dz) gives the x-lerped pair of
// corners for jk[k] with offsets dy and dz, blended over y, then z.
template <class Pair> V blendCorners(Pair pair, const GradientRow& row) {
    const D d;
    const V y0 = hn::Set(d, row.y0), y1 = hn::Set(d, row.y1), yw = hn::Set(d, row.yw);
    const V z0 = hn::Set(d, row.z0), z1 = hn::Set(d, row.z1);
    const V A = lerp(pair(0, y0, z0), pair(1, y1, z0), yw);
    const V B = lerp(pair(2, y0, z1), pair(3, y1, z1), yw);
    return lerp(A, B, hn::Set(d, row.zw));
}

void gradientRowKernel(const LatticeGradients& t, const GradientRow& row, const double* x,
                       const double* weight, double* out, int n) {
    const D d;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const V one = hn::Set(d, 1.0);
    const VI low = hn::Set(di, 255);
    VI jk[4];
    for (int k = 0; k < 4; ++k)
        jk[k] = hn::Set(di, static_cast<std::int64_t>(row.jk[k]));
    HWY_ALIGN double in[kMaxLanes], result[kMaxLanes];
    for (int base = 0; base < n; base += lanes) {
        const int m = n - base < lanes ? n - base : lanes;
        V xv;
        if (m == lanes) {
            xv = hn::LoadU(d, x + base);
        } else {
            // Spare lanes repeat the last point, keeping the cells close.
            for (int i = 0; i < lanes; ++i)
                in[i] = x[base + (i < m ? i : m - 1)];
            xv = hn::Load(d, in);
        }
        // The cell is floor(x), an int32, made a double again from the integer
        // as axisOf does: x = -0 then gives f0 = -0 - 0 = -0, as there, where
        // -0 - floor(-0) is +0.
        const VI i0 = hn::ConvertTo(di, hn::Floor(xv));
        const V cell = hn::ConvertTo(d, i0);
        const V f0 = hn::Sub(xv, cell);
        const V f1 = hn::Sub(f0, one);
        const V w = sCurve(f0);
        const double lowest = hn::GetLane(hn::MinOfLanes(d, cell));
        const double span = hn::GetLane(hn::MaxOfLanes(d, cell)) - lowest;
        V g;
        if (span <= lanes - 2) {
            // Sums wrap and only the low 8 bits matter.
            const std::uint32_t low0 =
                static_cast<std::uint32_t>(static_cast<std::int64_t>(lowest));
            const VI offset = hn::Sub(i0, hn::Set(di, static_cast<std::int64_t>(lowest)));
            const Idx at0 = hn::IndicesFromVec(d, offset);
            const Idx at1 = hn::IndicesFromVec(d, hn::Add(offset, hn::Set(di, 1)));
            g = blendCorners(
                [&](int k, V dy, V dz) {
                    const auto first = static_cast<std::size_t>((low0 + row.jk[k]) & 255u);
                    return cornerPair(t, first, at0, at1, f0, f1, dy, dz, w);
                },
                row);
        } else {
            const VI i1 = hn::Add(i0, hn::Set(di, 1));
            auto at = [&](VI i, int k) { return hn::And(hn::Add(i, jk[k]), low); };
            g = blendCorners(
                [&](int k, V dy, V dz) {
                    return lerp(corner(t, at(i0, k), f0, dy, dz), corner(t, at(i1, k), f1, dy, dz),
                                w);
                },
                row);
        }
        if (m == lanes) {
            if (weight) g = hn::Add(hn::LoadU(d, out + base), hn::Mul(hn::Set(d, *weight), g));
            hn::StoreU(g, d, out + base);
            continue;
        }
        hn::Store(g, d, result);
        for (int i = 0; i < m; ++i)
            out[base + i] = weight ? out[base + i] + *weight * result[i] : result[i];
    }
}

} // namespace HWY_NAMESPACE
} // namespace trevalin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trevalin {

HWY_EXPORT(gradientRowKernel);

void gradientRowLanes(const LatticeGradients& table, const GradientRow& row, const double* x,
                      const double* weight, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(gradientRowKernel)(table, row, x, weight, out, n);
}

} // namespace trevalin
#endif
