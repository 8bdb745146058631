#include "formula/escape_lanes.h"

#include <algorithm>
#include <bit>
#include <cmath>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "formula/escape_lanes.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "formula/cancel_request.h"
#include "formula/lane_types.h"

HWY_BEFORE_NAMESPACE();
namespace trevalin {
namespace HWY_NAMESPACE {

// Points are taken this many at a time: the lanes that outlast the first steps
// are kept on the stack until the second stage iterates them. A chunk's last
// survivors leave lanes idle, the more so the wider their escape steps spread,
// so long chunks pay: at 512 rather than 256, julia's and man3's lanes ran 6
// to 8 percent faster (julia-rgb renders 3), mandel's and dragon's the same;
// at 1024, mandel rendered 1.5 percent slower.
constexpr int kChunk = 512;
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

// Loads p[0], p[1], ... into the lanes of mask, lowest first; the other lanes
// keep v's numbers.
HWY_INLINE V expandLoad(V v, M mask, const double* p) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    return V{_mm512_mask_expandloadu_pd(v.raw, mask.raw, p)};
#else
    const D d;
    HWY_ALIGN double lanes[kMaxLanes];
    hn::Store(v, d, lanes);
    std::uint8_t bits[8] = {};
    hn::StoreMaskBits(d, mask, bits);
    for (std::size_t i = 0, k = 0; i < hn::Lanes(d); ++i)
        if ((bits[i / 8] >> (i % 8)) & 1) lanes[i] = p[k++];
    return hn::Load(d, lanes);
#endif
}

// Mask bits fit one byte: at most 8 doubles to a vector.
static_assert(kMaxLanes <= 8);

// Lanes that stop take the next survivors once this many of a vector have
// stopped; only where the processor loads into chosen lanes in one
// instruction, elsewhere a vector takes new points when all its lanes are done.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
constexpr std::size_t kRefillAt = kMaxLanes * 3 / 4;
#else
constexpr std::size_t kRefillAt = kMaxLanes;
#endif

// Second stage: the survivors, which have all taken done steps, in kGroups
// vectors stepped in turn (one's arithmetic runs while another's waits on its
// last result). Each lane follows its own point: once enough lanes of a vector
// have stopped, they give their results and take the next survivors, so lanes
// that escape early do not wait for the slowest of their vector.
template <class Orbit> struct Slot {
    typename Orbit::State z;
    M running;
    V count, size; // steps taken while running since the first stage; |z|^2 at the escape
    V index;       // the point's place in the call, or -1 for a lane with none
};

template <bool kSizes, class Orbit> class Drain {
  public:
    Drain(const Orbit& orbit, const Survivors& in, std::int32_t done, std::int32_t limit,
          double bound, const Results& res)
        : orbit_(orbit), in_(in), done_(done), left_(limit - done), bound_(bound), res_(res) {}

    void run() {
        const D d;
        Slot<Orbit> slots[kGroups];
        int active = 0;
        for (; active < kGroups && next_ < in_.count; ++active) {
            Slot<Orbit>& s = slots[active];
            s.z = orbit_.make(hn::Zero(d), hn::Zero(d), hn::Zero(d), hn::Zero(d));
            s.running = hn::FirstN(d, 0);
            s.count = s.size = hn::Zero(d);
            s.index = hn::Set(d, -1.0);
            refill(s, hn::Not(s.running));
        }
        // Steps since the last look at the stop request.
        double unchecked = 0;
        while (active > 0) {
            const double room = kCancelCheckSteps - unchecked;
            switch (active) {
            case 1: unchecked += iterate<1>(slots, room); break;
            case 2: unchecked += iterate<2>(slots, room); break;
            case 3: unchecked += iterate<3>(slots, room); break;
            default: unchecked += iterate<kGroups>(slots, room); break;
            }
            if (unchecked >= kCancelCheckSteps) {
                unchecked = 0;
                if (cancelRequested()) {
                    // Every point still gives a result, meaning nothing.
                    for (int h = 0; h < active; ++h)
                        give(slots[h], hn::Ge(slots[h].index, hn::Zero(d)));
                    flush();
                    for (int i = next_; i < in_.count; ++i)
                        res_.put(static_cast<int>(in_.index[i]), false, 0, 0);
                    return;
                }
            }
            int kept = 0;
            for (int h = 0; h < active; ++h)
                if (service(slots[h])) slots[kept++] = slots[h];
            active = kept;
        }
        flush();
    }

  private:
    // Lanes that are done: stopped, or at the limit.
    M doneLanes(const Slot<Orbit>& s) const {
        return hn::Or(hn::Not(s.running), hn::Ge(s.count, hn::Set(D(), left_)));
    }

    // Gives the results of the lanes of s that are done and refills them;
    // false once s has no point left.
    bool service(Slot<Orbit>& s) {
        const D d;
        const M done = doneLanes(s);
        const M own = hn::Ge(s.index, hn::Zero(d));
        give(s, hn::And(done, own));
        s.index = hn::IfThenElse(done, hn::Set(d, -1.0), s.index);
        s.running = hn::AndNot(done, s.running);
        if (next_ < in_.count) refill(s, done);
        return !hn::AllFalse(d, hn::Ge(s.index, hn::Zero(d)));
    }

    // The next survivors into the lanes of free, as many as are left.
    void refill(Slot<Orbit>& s, M free) {
        const D d;
        std::uint8_t bits[8] = {};
        hn::StoreMaskBits(d, free, bits);
        unsigned want = bits[0];
        const int room = in_.count - next_;
        if (std::popcount(want) > room) {
            unsigned kept = 0;
            for (int k = 0; k < room; ++k) {
                const unsigned low = want & (0u - want);
                kept |= low;
                want ^= low;
            }
            want = kept;
        }
        const std::uint8_t chosen = static_cast<std::uint8_t>(want);
        const M take = hn::LoadMaskBits(d, &chosen);
        const int o = next_;
        next_ += std::popcount(want);
        const typename Orbit::State fresh =
            orbit_.make(expandLoad(s.z.a, take, in_.a + o), expandLoad(s.z.b, take, in_.b + o),
                        expandLoad(s.z.cx, take, in_.cx + o), expandLoad(s.z.cy, take, in_.cy + o));
        s.z = Orbit::blend(take, fresh, s.z);
        s.index = expandLoad(s.index, take, in_.index + o);
        s.count = hn::IfThenZeroElse(take, s.count);
        if constexpr (kSizes) s.size = hn::IfThenZeroElse(take, s.size);
        s.running = hn::Or(s.running, take);
    }

    // Results of the lanes in which, kept until flush: a lane that stopped
    // within the limit escaped at done plus its count; any other gives 0.
    void give(const Slot<Orbit>& s, M which) {
        const D d;
        const M escaped = hn::AndNot(s.running, hn::Le(s.count, hn::Set(d, left_)));
        const V step = hn::IfThenElseZero(escaped, hn::Add(hn::Set(d, done_), s.count));
        const std::size_t n = hn::CompressStore(s.index, which, d, givenIndex_ + given_);
        hn::CompressStore(step, which, d, givenStep_ + given_);
        if constexpr (kSizes)
            hn::CompressStore(hn::IfThenElseZero(escaped, s.size), which, d, givenSize_ + given_);
        given_ += static_cast<int>(n);
    }

    void flush() {
        for (int i = 0; i < given_; ++i) {
            const int at = static_cast<int>(givenIndex_[i]);
            res_.counts[at] = static_cast<std::int32_t>(givenStep_[i]);
            if constexpr (kSizes) res_.sizes[at] = givenSize_[i];
        }
        given_ = 0;
    }

    // One step: a lane counts it while running, the escaping one included.
    HWY_INLINE void advance(typename Orbit::State& z, M& running, V& count, V& size, V bound,
                            V one) const {
        const V v = orbit_.step(z);
        count = hn::IfThenElse(running, hn::Add(count, one), count);
        const M hit = hn::Ge(v, bound);
        if constexpr (kSizes) size = hn::IfThenElse(hn::And(running, hit), v, size);
        running = hn::AndNot(hit, running);
    }

    // Steps the slots two at a time until enough lanes of one have stopped, a
    // running lane may have reached the limit (a lane may then take one step
    // past it, which its count shows), or room steps are taken; returns the
    // steps taken. The slots are copied to locals and back: no call in the
    // loop, so they stay in registers.
    template <int kWidth> HWY_INLINE double iterate(Slot<Orbit>* slots, double room) const {
        const D d;
        typename Orbit::State z[kWidth];
        M running[kWidth];
        V count[kWidth], size[kWidth];
        HWY_UNROLL(4)
        for (int h = 0; h < kWidth; ++h) {
            z[h] = slots[h].z;
            running[h] = slots[h].running;
            count[h] = slots[h].count;
            size[h] = slots[h].size;
            const double most =
                hn::GetLane(hn::MaxOfLanes(d, hn::IfThenElseZero(running[h], count[h])));
            if (left_ - most < room) room = left_ - most;
        }
        // With points still to take, a slot is served once it has lanes
        // enough to refill; without, once all its lanes have stopped.
        const std::size_t stopAt = next_ < in_.count ? kRefillAt : hn::Lanes(d);
        const V vBound = hn::Set(d, bound_), one = hn::Set(d, 1.0);
        auto stepAll = [&] {
            HWY_UNROLL(4)
            for (int h = 0; h < kWidth; ++h)
                advance(z[h], running[h], count[h], size[h], vBound, one);
        };
        double taken = 0;
        while (taken < room) {
            stepAll();
            stepAll();
            taken += 2;
            bool stopped = false;
            HWY_UNROLL(4)
            for (int h = 0; h < kWidth; ++h)
                stopped = stopped || hn::CountTrue(d, hn::Not(running[h])) >= stopAt;
            if (stopped) break;
        }
        HWY_UNROLL(4)
        for (int h = 0; h < kWidth; ++h) {
            slots[h].z = z[h];
            slots[h].running = running[h];
            slots[h].count = count[h];
            slots[h].size = size[h];
        }
        return taken;
    }

    const Orbit& orbit_;
    const Survivors& in_;
    const double done_, left_;
    const double bound_;
    const Results& res_;
    int next_ = 0;
    // Results given, in no order: every survivor's once.
    HWY_ALIGN double givenIndex_[kChunk + kMaxLanes], givenStep_[kChunk + kMaxLanes];
    HWY_ALIGN double givenSize_[kSizes ? kChunk + kMaxLanes : 1];
    int given_ = 0;
};

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
        // A stop request that cut an earlier chunk short: the rest mean
        // nothing either. (A chunk looks only every kCancelCheckSteps steps,
        // and a row's call may hold hundreds of chunks.)
        if (from > 0 && cancelRequested()) {
            for (int i = from; i < n; ++i)
                res.put(i, false, 0, 0);
            return;
        }
        survivors.count = 0;
        firstSteps<kSizes>(orbit, in, from, n - from < kChunk ? n : from + kChunk, first, limit,
                           bound, res, survivors);
        // Loads of the last lanes read past the count: keep those numbers defined.
        for (double* column :
             {survivors.a, survivors.b, survivors.cx, survivors.cy, survivors.index})
            std::fill(column + survivors.count, column + survivors.count + kMaxLanes, 0.0);
        Drain<kSizes, Orbit>(orbit, survivors, first, limit, bound, res).run();
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
    static State blend(M m, const State& yes, const State& no) {
        return {hn::IfThenElse(m, yes.a, no.a),   hn::IfThenElse(m, yes.b, no.b),
                hn::IfThenElse(m, yes.cx, no.cx), hn::IfThenElse(m, yes.cy, no.cy),
                hn::IfThenElse(m, yes.aa, no.aa), hn::IfThenElse(m, yes.bb, no.bb)};
    }
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
    static State blend(M m, const State& yes, const State& no) {
        return {hn::IfThenElse(m, yes.a, no.a), hn::IfThenElse(m, yes.b, no.b),
                hn::IfThenElse(m, yes.cx, no.cx), hn::IfThenElse(m, yes.cy, no.cy)};
    }
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

namespace {

// Takes steps 1, 2, ... up to limit until step() says the point escaped;
// that step, or 0 past the limit or when a stop request cuts it short.
template <class Step> std::int32_t escapeStep(std::int32_t limit, Step step) {
    for (std::int64_t n = 1; n <= limit;) {
        const std::int64_t last = limit - n < kCancelCheckSteps ? limit : n + kCancelCheckSteps - 1;
        for (; n <= last; ++n)
            if (step()) return static_cast<std::int32_t>(n);
        if (n <= limit && cancelRequested()) return 0;
    }
    return 0;
}

} // namespace

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
    return escapeStep(limit, [&] {
        const double re = a * a * a - 3.0 * a * b * b + x;
        const double im = 3.0 * a * a * b - b * b * b + y;
        a = re;
        b = im;
        return a * a + b * b >= 4.0;
    });
}

std::int32_t iterateDragonScalar(double x, double y, std::int32_t limit, double jx, double jy) {
    double a = jx, b = jy;
    return escapeStep(limit, [&] {
        const double p = a * x - b * y; // c * z
        const double q = b * x + a * y;
        a = p - p * a + q * b;
        // The imaginary part reads the new real part, as the map is defined.
        b = q - q * a + q * b - p * b;
        return a * a + b * b >= 4.0;
    });
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
    return escapeStep(limit, [&] {
        b = (a + a) * b + cy;
        a = aa - bb + cx;
        aa = a * a;
        bb = b * b;
        const double size = aa + bb;
        const bool escaped = size >= bound; // never for NaN
        if (escaped) escapeSize = size;
        return escaped;
    });
}

} // namespace trevalin
#endif
