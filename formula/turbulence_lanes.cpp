#include "formula/turbulence_lanes.h"

#include <limits>

#include "formula/random_state.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "formula/turbulence_lanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "formula/lane_types.h"

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

constexpr std::int64_t kModulus = RandomState::kModulus;
constexpr std::int64_t kMultiplier = RandomState::kMultiplier;

// The generator's step from seed (0 taken as 1), times its scale: 16807 * s
// mod 2^31 - 1 in (0, 2^31 - 1], as the step's Schrage form gives it for any
// int32 seed, including 2^31 - 1 for a multiple of the modulus.
V latticeDraw(VI seed) {
    const DI di;
    const VI m = hn::Set(di, kModulus), zero = hn::Zero(di);
    seed = hn::IfThenElse(hn::Eq(seed, zero), hn::Set(di, 1), seed);
    // Into [0, 2^31 - 1): the seed is at least -2^31, so two additions at most.
    seed = hn::IfThenElse(hn::Lt(seed, zero), hn::Add(seed, m), seed);
    seed = hn::IfThenElse(hn::Lt(seed, zero), hn::Add(seed, m), seed);
#if HWY_TARGET == HWY_SCALAR
    const VI p = hn::Set(di, hn::GetLane(seed) * kMultiplier);
#else
    const hn::Repartition<std::uint32_t, DI> du32;
    const VI p =
        hn::BitCast(di, hn::MulEven(hn::BitCast(du32, seed),
                                    hn::Set(du32, static_cast<std::uint32_t>(kMultiplier))));
#endif
    VI r = hn::Add(hn::And(p, m), hn::ShiftRight<31>(p));
    r = hn::IfThenElse(hn::Gt(r, m), hn::Sub(r, m), r);
    r = hn::IfThenElse(hn::Eq(r, zero), m, r);
    return hn::Mul(hn::ConvertTo(D(), r), hn::Set(D(), RandomState::kScale));
}

// The lattice table's index of an int64 cell: its magnitude's low byte.
VI tableIndex(VI cell) {
    const DI di;
    const VI magnitude = hn::IfThenElse(hn::Lt(cell, hn::Zero(di)), hn::Neg(cell), cell);
    return hn::And(magnitude, hn::Set(di, 255));
}

void turbulenceRowKernel(const std::int32_t* t0, const TurbulenceOctave* octaves, int count,
                         double start, const double* x, double* out, int n) {
    const D d;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(d));
    HWY_ALIGN double in[kMaxLanes], result[kMaxLanes];
    HWY_ALIGN std::int64_t index[kMaxLanes], indexNext[kMaxLanes];
    HWY_ALIGN std::int64_t entry[kMaxLanes], entryNext[kMaxLanes];
    for (int base = 0; base < n; base += lanes) {
        const int m = n - base < lanes ? n - base : lanes;
        for (int i = 0; i < lanes; ++i)
            in[i] = i < m ? x[base + i] : 0.0;
        const V xv = hn::Load(d, in);
        V sum = hn::Set(d, start);
        for (int k = 0; k < count; ++k) {
            const TurbulenceOctave& o = octaves[k];
            const V X = hn::Abs(hn::Div(xv, hn::Set(d, o.s)));
            // As truncToInt32: NaN and what int32 cannot hold give INT32_MIN.
            const auto inRange = hn::Lt(X, hn::Set(d, 2147483648.0));
            const VI cell =
                hn::IfThenElse(hn::RebindMask(di, inRange),
                               hn::ConvertTo(di, hn::IfThenElse(inRange, X, hn::Zero(d))),
                               hn::Set(di, std::int64_t{std::numeric_limits<std::int32_t>::min()}));
            const V sx = sCurve(hn::Sub(X, hn::ConvertTo(d, cell)));
            hn::Store(tableIndex(cell), di, index);
            hn::Store(tableIndex(hn::Add(cell, hn::Set(di, 1))), di, indexNext);
            for (int i = 0; i < lanes; ++i) {
                entry[i] = t0[index[i]];
                entryNext[i] = t0[indexNext[i]];
            }
            const VI a = hn::Load(di, entry), b = hn::Load(di, entryNext);
            const VI t1 = hn::Set(di, o.t1), t1Next = hn::Set(di, o.t1Next);
            const V c00 = latticeDraw(hn::Xor(a, t1)), c10 = latticeDraw(hn::Xor(b, t1));
            const V c01 = latticeDraw(hn::Xor(a, t1Next)), c11 = latticeDraw(hn::Xor(b, t1Next));
            // sy * (sx*c11 + (1 - sx)*c01) + (1 - sy) * ((1 - sx)*c00 + sx*c10)
            const V one = hn::Set(d, 1.0), sy = hn::Set(d, o.sy);
            const V rx = hn::Sub(one, sx);
            const V top = hn::Add(hn::Mul(sx, c11), hn::Mul(rx, c01));
            const V bottom = hn::Add(hn::Mul(rx, c00), hn::Mul(sx, c10));
            const V value = hn::Add(hn::Mul(sy, top), hn::Mul(hn::Sub(one, sy), bottom));
            sum = hn::Add(sum, hn::Mul(hn::Set(d, o.s), value));
        }
        hn::Store(sum, d, result);
        for (int i = 0; i < m; ++i)
            out[base + i] = result[i];
    }
}

} // namespace HWY_NAMESPACE
} // namespace trevalin
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace trevalin {

HWY_EXPORT(turbulenceRowKernel);

void turbulenceRowLanes(const std::int32_t* t0, const TurbulenceOctave* octaves, int count,
                        double start, const double* x, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(turbulenceRowKernel)(t0, octaves, count, start, x, out, n);
}

} // namespace trevalin
#endif
