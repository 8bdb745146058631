// The vector types the lane files share, declared once per instruction set:
// include after <hwy/highway.h> in a file that foreach_target compiles once
// per target, hence the toggle in place of an include guard.
#if defined(TREVALIN_FORMULA_LANE_TYPES_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef TREVALIN_FORMULA_LANE_TYPES_H_
#undef TREVALIN_FORMULA_LANE_TYPES_H_
#else
#define TREVALIN_FORMULA_LANE_TYPES_H_
#endif

#include <cstddef>
#include <cstdint>

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;
using DI = hn::RebindToSigned<D>; // int64 lanes beside the doubles
using VI = hn::Vec<DI>;
constexpr std::size_t kMaxLanes = hn::MaxLanes(D());

// s(u) = u*u*(3 - 2u), as sCurve has it.
inline V sCurve(V u) {
    const D d;
    return hn::Mul(hn::Mul(u, u), hn::Sub(hn::Set(d, 3.0), hn::Mul(hn::Set(d, 2.0), u)));
}

} // namespace HWY_NAMESPACE
} // namespace trevalin
HWY_AFTER_NAMESPACE();

#endif
