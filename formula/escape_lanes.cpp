#include "formula/escape_lanes.h"

#include <algorithm>
#include <cmath>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "formula/escape_lanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

constexpr std::size_t kMaxLanes = hn::MaxLanes(D());
// Points are taken this many at a time: the lanes that outlast the first steps
// are kept on the stack until the second stage iterates them.
constexpr int kChunk = 256;
// Steps every block of points takes together before the lanes still running
// go to the second stage: most points of a picture escape within them, and
// neighbours escape at nearly the same step.
constexpr std::int32_t kFirstSteps = 8;
// Vectors iterated in turn in the second stage, so one's arithmetic runs while
// another's waits on its last result.
constexpr int kGroups = 4;

// The four numbers an orbit starts from (z = a + bi, c = cx + cy i), each one
// per point or the same for all.
struct OrbitStarts {
    const double* per[4];
    double same[4];
};

// The lanes that leave a stage: where they came from and their state.
struct Survivors {
    HWY_ALIGN double a[kChunk + kMaxLanes], b[kChunk + kMaxLanes];
    HWY_ALIGN double cx[kChunk + kMaxLanes], cy[kChunk + kMaxLanes];
    HWY_ALIGN double index[kChunk + kMaxLanes];
    int count = 0;
};

// Writes a lane's result: the step it escaped at with its |z|^2, or 0.
struct Results {
    std::int32_t* counts;
    double* sizes;
    void put(int i, bool escaped, double step, double size) const {
        counts[i] = escaped ? static_cast<std::int32_t>(step) : 0;
        if (sizes) sizes[i] = escaped ? size : 0.0;
    }
};

// First stage: blocks of lanes points (two at once) iterate together for up to
// steps steps, as long as any lane runs. Lanes that escape give their result;
// those still running after all the steps (and not at the limit) go to out.
template <bool kSizes, class Orbit>
void firstSteps(const Orbit& orbit, const OrbitStarts& in, int from, int n, std::int32_t steps,
                std::int32_t limit, double bound, const Results& res, Survivors& out) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const hn::Rebind<std::int32_t, D> di32;
    const V vBound = hn::Set(d, bound);
    HWY_ALIGN double load[4][2 * kMaxLanes];
    HWY_ALIGN double stepOut[2 * kMaxLanes], sizeOut[2 * kMaxLanes];
    for (int base = from; base < n; base += 2 * lanes) {
        const int m = n - base < 2 * lanes ? n - base : 2 * lanes;
        const bool whole = m == 2 * lanes;
        // A short last block repeats its last point in the spare lanes.
        if (!whole) {
            for (int k = 0; k < 4; ++k)
                for (int i = 0; i < 2 * lanes; ++i)
                    load[k][i] = in.per[k] ? in.per[k][base + (i < m ? i : m - 1)] : in.same[k];
        }
        auto input = [&](int k, int o) {
            if (!whole) return hn::Load(d, load[k] + o);
            return in.per[k] ? hn::LoadU(d, in.per[k] + base + o) : hn::Set(d, in.same[k]);
        };
        typename Orbit::State z[2];
        M running[2];
        V count[2], size[2];
        HWY_UNROLL(2)
        for (int h = 0; h < 2; ++h) {
            const int o = h * lanes;
            z[h] = orbit.make(input(0, o), input(1, o), input(2, o), input(3, o));
            const int valid = m - o < 0 ? 0 : (m - o > lanes ? lanes : m - o);
            running[h] = hn::FirstN(d, static_cast<std::size_t>(valid));
            count[h] = size[h] = hn::Zero(d);
        }
        std::int32_t t = 0;
        while (t < steps) {
            ++t;
            const V vt = hn::Set(d, static_cast<double>(t));
            HWY_UNROLL(2)
            for (int h = 0; h < 2; ++h) {
                const V s = orbit.step(z[h]);
                const M hit = hn::And(running[h], hn::Ge(s, vBound));
                count[h] = hn::IfThenElse(hit, vt, count[h]);
                if constexpr (kSizes) size[h] = hn::IfThenElse(hit, s, size[h]);
                running[h] = hn::AndNot(hit, running[h]);
            }
            if (hn::AllFalse(d, hn::Or(running[0], running[1]))) break;
        }
        const bool atLimit = t == limit;
        for (int h = 0; h < 2; ++h) {
            const int o = h * lanes;
            // Lanes still running get their result in the second stage.
            if (whole) {
                hn::StoreU(hn::DemoteTo(di32, count[h]), di32, res.counts + base + o);
                if (res.sizes) hn::StoreU(size[h], d, res.sizes + base + o);
            } else {
                hn::Store(count[h], d, stepOut + o);
                hn::Store(size[h], d, sizeOut + o);
            }
            if (atLimit || hn::AllFalse(d, running[h])) continue;
            const int at = out.count;
            hn::CompressStore(z[h].a, running[h], d, out.a + at);
            hn::CompressStore(z[h].b, running[h], d, out.b + at);
            hn::CompressStore(z[h].cx, running[h], d, out.cx + at);
            hn::CompressStore(z[h].cy, running[h], d, out.cy + at);
            out.count += static_cast<int>(hn::CompressStore(
                hn::Iota(d, static_cast<double>(base + o)), running[h], d, out.index + at));
        }
        if (!whole) {
            for (int i = 0; i < m; ++i)
                res.put(base + i, stepOut[i] != 0.0, stepOut[i], sizeOut[i]);
        }
    }
}

// Second stage: the survivors, which have all taken done steps, packed into
// vectors, kWidth of them iterating in turn (one's arithmetic runs while
// another's waits on its last result) until every lane escapes or reaches
// the limit.
template <int kWidth, bool kSizes, class Orbit>
void lastSteps(const Orbit& orbit, const Survivors& in, int from, std::int32_t done,
               std::int32_t limit, double bound, const Results& res) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const V vBound = hn::Set(d, bound), one = hn::Set(d, 1.0);
    typename Orbit::State z[kWidth];
    M running[kWidth];
    V count[kWidth], size[kWidth];
    for (int h = 0; h < kWidth; ++h) {
        const int o = from + h * lanes;
        z[h] = orbit.make(hn::Load(d, in.a + o), hn::Load(d, in.b + o), hn::Load(d, in.cx + o),
                          hn::Load(d, in.cy + o));
        const int valid = in.count - o > lanes ? lanes : in.count - o;
        running[h] = hn::FirstN(d, static_cast<std::size_t>(valid));
        count[h] = size[h] = hn::Zero(d);
    }
    auto stepAll = [&] {
        HWY_UNROLL(4)
        for (int h = 0; h < kWidth; ++h) {
            const V s = orbit.step(z[h]);
            // Steps taken while running, the escaping one included.
            count[h] = hn::IfThenElse(running[h], hn::Add(count[h], one), count[h]);
            const M hit = hn::Ge(s, vBound);
            if constexpr (kSizes) size[h] = hn::IfThenElse(hn::And(running[h], hit), s, size[h]);
            running[h] = hn::AndNot(hit, running[h]);
        }
    };
    auto anyRunning = [&] {
        M any = running[0];
        for (int h = 1; h < kWidth; ++h)
            any = hn::Or(any, running[h]);
        return !hn::AllFalse(d, any);
    };
    // Two steps between looks at whether any lane still runs: a lane that
    // stopped only idles through the second.
    std::int64_t t = done;
    for (; t + 2 <= limit; t += 2) {
        stepAll();
        stepAll();
        if (!anyRunning()) break;
    }
    if (t + 1 == limit && anyRunning()) stepAll();
    // A lane that escaped stopped running: its step is done plus its count.
    HWY_ALIGN double countOut[kWidth * kMaxLanes], sizeOut[kWidth * kMaxLanes];
    const V vDone = hn::Set(d, static_cast<double>(done));
    for (int h = 0; h < kWidth; ++h) {
        hn::Store(hn::IfThenZeroElse(running[h], hn::Add(vDone, count[h])), d,
                  countOut + h * lanes);
        hn::Store(size[h], d, sizeOut + h * lanes);
    }
    const int m = in.count - from < kWidth * lanes ? in.count - from : kWidth * lanes;
    for (int i = 0; i < m; ++i)
        res.put(static_cast<int>(in.index[from + i]), countOut[i] != 0.0, countOut[i], sizeOut[i]);
}

// Second stage: the survivors, kGroups vectors at a time. Lanes that stop
// wait for the others rather than take new points: refilling them measured
// slower at every call length.
template <bool kSizes, class Orbit>
void drainedSteps(const Orbit& orbit, const Survivors& in, std::int32_t done, std::int32_t limit,
                  double bound, const Results& res) {
    const int lanes = static_cast<int>(hn::Lanes(D()));
    for (int from = 0; from < in.count; from += kGroups * lanes) {
        const int vectors = (in.count - from + lanes - 1) / lanes;
        switch (vectors < kGroups ? vectors : kGroups) {
        case 1: lastSteps<1, kSizes>(orbit, in, from, done, limit, bound, res); break;
        case 2: lastSteps<2, kSizes>(orbit, in, from, done, limit, bound, res); break;
        case 3: lastSteps<3, kSizes>(orbit, in, from, done, limit, bound, res); break;
        default: lastSteps<kGroups, kSizes>(orbit, in, from, done, limit, bound, res); break;
        }
    }
}

// kSizes: whether the escape sizes are wanted; without them no stage keeps
// them step by step.
template <bool kSizes, class Orbit>
void escapeTimesWith(const Orbit& orbit, const OrbitStarts& in, int n, std::int32_t limit,
                     double bound, std::int32_t* counts, double* sizes) {
    const Results res{counts, sizes};
    if (limit < 1) {
        for (int i = 0; i < n; ++i)
            res.put(i, false, 0, 0);
        return;
    }
    const std::int32_t first = limit < kFirstSteps ? limit : kFirstSteps;
    Survivors survivors;
    for (int from = 0; from < n; from += kChunk) {
        survivors.count = 0;
        firstSteps<kSizes>(orbit, in, from, n - from < kChunk ? n : from + kChunk, first, limit,
                           bound, res, survivors);
        // Loads of the last lanes read past the count: keep those numbers defined.
        for (double* column :
             {survivors.a, survivors.b, survivors.cx, survivors.cy, survivors.index})
            std::fill(column + survivors.count, column + survivors.count + kMaxLanes, 0.0);
        drainedSteps<kSizes>(orbit, survivors, first, limit, bound, res);
    }
}

template <class Orbit>
void escapeTimes(const Orbit& orbit, const OrbitStarts& in, int n, std::int32_t limit, double bound,
                 std::int32_t* counts, double* sizes) {
    if (sizes)
        escapeTimesWith<true>(orbit, in, n, limit, bound, counts, sizes);
    else
        escapeTimesWith<false>(orbit, in, n, limit, bound, counts, sizes);
}

// z -> z^2 + c with |z|^2 against the bound, as the scalar code: b first from
// the old a, then a from the squares kept from the last step.
struct SquareOrbit {
    struct State {
        V a, b, cx, cy, aa, bb;
    };
    State make(V a, V b, V cx, V cy) const { return {a, b, cx, cy, hn::Mul(a, a), hn::Mul(b, b)}; }
    V step(State& s) const {
        s.b = hn::Add(hn::Mul(hn::Add(s.a, s.a), s.b), s.cy);
        s.a = hn::Add(hn::Sub(s.aa, s.bb), s.cx);
        s.aa = hn::Mul(s.a, s.a);
        s.bb = hn::Mul(s.b, s.b);
        return hn::Add(s.aa, s.bb);
    }
};

// z -> map(z, c), escaping where |z|^2 reaches 4.
template <class Map> struct MapOrbit {
    struct State {
        V a, b, cx, cy;
    };
    Map map;
    State make(V a, V b, V cx, V cy) const { return {a, b, cx, cy}; }
    V step(State& s) const {
        map(s.a, s.b, s.cx, s.cy);
        return hn::Add(hn::Mul(s.a, s.a), hn::Mul(s.b, s.b));
    }
};

struct CubeMap {
    // a*a*a - 3.0*a*b*b + x and 3.0*a*a*b - b*b*b + y, left to right.
    void operator()(V& a, V& b, const V& x, const V& y) const {
        const V three = hn::Set(D(), 3.0);
        const V re = hn::Add(
            hn::Sub(hn::Mul(hn::Mul(a, a), a), hn::Mul(hn::Mul(hn::Mul(three, a), b), b)), x);
        const V im = hn::Add(
            hn::Sub(hn::Mul(hn::Mul(hn::Mul(three, a), a), b), hn::Mul(hn::Mul(b, b), b)), y);
        a = re;
        b = im;
    }
};

struct DragonMap {
    void operator()(V& a, V& b, const V& x, const V& y) const {
        const V p = hn::Sub(hn::Mul(a, x), hn::Mul(b, y));
        const V q = hn::Add(hn::Mul(b, x), hn::Mul(a, y));
        a = hn::Add(hn::Sub(p, hn::Mul(p, a)), hn::Mul(q, b));
        b = hn::Sub(hn::Add(hn::Sub(q, hn::Mul(q, a)), hn::Mul(q, b)), hn::Mul(p, b));
    }
};

// per[k] gives the k-th start number (z's parts, then c's) point by point, or
// when null same[k] is every point's.
void iterateSquareKernel(const double* const* per, const double* same, int n, std::int32_t limit,
                         double bound, std::int32_t* counts, double* sizes) {
    const OrbitStarts in{{per[0], per[1], per[2], per[3]}, {same[0], same[1], same[2], same[3]}};
    escapeTimes(SquareOrbit{}, in, n, limit, bound, counts, sizes);
}

void iterateCubeKernel(const double* cxs, const double* cys, int n, std::int32_t limit,
                       double start, std::int32_t* counts) {
    const OrbitStarts in{{nullptr, nullptr, cxs, cys}, {start, start, 0, 0}};
    escapeTimes(MapOrbit<CubeMap>{}, in, n, limit, 4.0, counts, nullptr);
}

void iterateDragonKernel(const double* cxs, const double* cys, int n, std::int32_t limit, double jx,
                         double jy, std::int32_t* counts) {
    const OrbitStarts in{{nullptr, nullptr, cxs, cys}, {jx, jy, 0, 0}};
    escapeTimes(MapOrbit<DragonMap>{}, in, n, limit, 4.0, counts, nullptr);
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
    const double* per[4] = {zx, zy, cx, cy};
    const double same[4] = {};
    HWY_DYNAMIC_DISPATCH(iterateSquareKernel)(per, same, n, limit, bound, counts, sizes);
}

void iterateMandelLanes(const double* cx, const double* cy, int n, std::int32_t limit, double bound,
                        double start, std::int32_t* counts, double* sizes) {
    const double* per[4] = {nullptr, nullptr, cx, cy};
    const double same[4] = {start, start, 0.0, 0.0};
    HWY_DYNAMIC_DISPATCH(iterateSquareKernel)(per, same, n, limit, bound, counts, sizes);
}

void iterateJuliaLanes(const double* zx, const double* zy, int n, std::int32_t limit, double jx,
                       double jy, std::int32_t* counts, double* sizes) {
    const double* per[4] = {zx, zy, nullptr, nullptr};
    const double same[4] = {0.0, 0.0, jx, jy};
    HWY_DYNAMIC_DISPATCH(iterateSquareKernel)(per, same, n, limit, 4.0, counts, sizes);
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
