#include "formula/batch_interpreter.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "formula/arith.h"
#include "formula/code_walk.h"
#include "formula/fractals.h"
#include "formula/lane_clones.h"
#include "formula/lane_roots.h"
#include "formula/noise.h"
#include "formula/random_draws.h"
#include "formula/scalar_functions.h"
#include "formula/variable_value.h"

namespace trevalin {
namespace {

using Lanes = double[kBatchLanes];

inline bool isTrue(double a) {
    return a < 0.0 || a > 0.0;
}
inline double flag(bool b) {
    return b ? 1.0 : 0.0;
}

// A whole value popped off the lane stack: three lane arrays for a triple, the
// same array three times for a number.
struct LaneValue {
    const double* first;
    const double* second;
    const double* third;
    bool isTriple;
};

// The one-sample stack with a lane array per slot. Triple marks and the top
// index are shared by all lanes: shapes and depths are fixed by the code.
// Pops below the base read 0 and leave the stack as it is. A slot's values
// are its own array, or lanes that hold still for the whole run (the
// samples' x, say), pushed without a copy.
class LaneStack {
  public:
    LaneStack(int lanes, Lanes* slots) : lanes_(lanes), slots_(slots) {}

    [[gnu::always_inline]] bool empty() const { return top_ <= 0; }

    // The array the next push fills; the caller writes it, then calls pushed.
    [[gnu::always_inline]] double* next() {
        assert(top_ < kStackSize && "stack depth is bounded when the formula is compiled");
        return slots_[top_];
    }
    [[gnu::always_inline]] void pushed() {
        values_[top_] = slots_[top_];
        marks_[top_++] = 0;
    }
    // Pushes lanes that no write of the run reaches.
    [[gnu::always_inline]] void pushShared(const double* lanes) {
        assert(top_ < kStackSize && "stack depth is bounded when the formula is compiled");
        values_[top_] = lanes;
        marks_[top_++] = 0;
    }

    [[gnu::always_inline]] void pushTriple(const double* a, const double* b, const double* c) {
        assert(top_ + 3 <= kStackSize && "stack depth is bounded when the formula is compiled");
        copy(slots_[top_], c);
        copy(slots_[top_ + 1], b);
        copy(slots_[top_ + 2], a);
        for (int k = 0; k < 3; ++k)
            values_[top_ + k] = slots_[top_ + k];
        marks_[top_] = 0;
        marks_[top_ + 1] = 0;
        marks_[top_ + 2] = 1;
        top_ += 3;
    }
    [[gnu::always_inline]] void pushValue(const double* a, const double* b, const double* c,
                                          bool triple) {
        if (triple) {
            pushTriple(a, b, c);
        } else {
            copy(next(), a);
            pushed();
        }
    }

    // A triple used as a number gives its third component. The array stays
    // valid until the next push.
    [[gnu::always_inline]] const double* popNumber() {
        if (empty()) return zeros_;
        if (marks_[top_ - 1]) {
            assert(top_ - 3 >= 0);
            top_ -= 3;
        } else {
            top_ -= 1;
        }
        return values_[top_];
    }
    [[gnu::always_inline]] LaneValue popValue() {
        if (empty()) return LaneValue{zeros_, zeros_, zeros_, false};
        if (!marks_[top_ - 1]) {
            const double* v = values_[--top_];
            return LaneValue{v, v, v, false};
        }
        assert(top_ - 3 >= 0);
        top_ -= 3;
        return LaneValue{values_[top_ + 2], values_[top_ + 1], values_[top_], true};
    }

  private:
    void copy(double* to, const double* from) const {
        if (to != from) std::memmove(to, from, sizeof(double) * static_cast<std::size_t>(lanes_));
    }

    int lanes_;
    int top_ = 0;
    std::uint8_t marks_[kStackSize];
    const double* values_[kStackSize];
    Lanes* slots_;
    static constexpr Lanes zeros_ = {};
};

// The result of each lane goes where the first operand was (the same slot
// index), which is safe lane by lane: a lane's result is written after its
// operands are read.
template <class F> [[gnu::always_inline]] inline void apply1(LaneStack& s, int n, F f) {
    const double* a = s.popNumber();
    double* r = s.next();
    for (int i = 0; i < n; ++i)
        r[i] = f(a[i]);
    s.pushed();
}

// apply1 and apply2 with the lane loop in a function of its own.
inline void applyLanes1(LaneStack& s, int n, void (*f)(const double*, double*, int)) {
    const double* a = s.popNumber();
    double* r = s.next();
    f(a, r, n);
    s.pushed();
}

inline void applyLanes2(LaneStack& s, int n,
                        void (*f)(const double*, const double*, double*, int)) {
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    double* r = s.next();
    f(a, b, r, n);
    s.pushed();
}

// f works out all n lanes from the context into a buffer: its result must
// not be written over its arguments as it goes.
inline void applyRowLanes(const FormulaContext& ctx, LaneStack& s, int n,
                          void (*f)(const FormulaContext&, const double*, const double*, double*,
                                    int)) {
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    Lanes r; // the result's slot is a's
    f(ctx, a, b, r, n);
    std::memcpy(s.next(), r, sizeof(double) * static_cast<std::size_t>(n));
    s.pushed();
}

inline void applyRowLanes3(const FormulaContext& ctx, LaneStack& s, int n,
                           void (*f)(const FormulaContext&, const double*, const double*,
                                     const double*, double*, int)) {
    const double* c = s.popNumber();
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    Lanes r; // the result's slot is a's
    f(ctx, a, b, c, r, n);
    std::memcpy(s.next(), r, sizeof(double) * static_cast<std::size_t>(n));
    s.pushed();
}

inline void applyLanes3(LaneStack& s, int n,
                        void (*f)(const double*, const double*, const double*, double*, int)) {
    const double* c = s.popNumber();
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    double* r = s.next();
    f(a, b, c, r, n);
    s.pushed();
}

inline bool allSame(const double* a, int n) {
    std::uint64_t first;
    std::memcpy(&first, a, sizeof first);
    for (int i = 1; i < n; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, a + i, sizeof bits);
        if (bits != first) return false;
    }
    return true;
}

// apply1 for a costly function of one value: when every lane holds the same
// bits (y across a row, say), one call gives every lane's result.
template <class F> [[gnu::always_inline]] inline void applyCostly1(LaneStack& s, int n, F f) {
    const double* a = s.popNumber();
    double* r = s.next();
    if (n > 1 && allSame(a, n)) {
        const double v = f(a[0]);
        for (int i = 0; i < n; ++i)
            r[i] = v;
    } else {
        for (int i = 0; i < n; ++i)
            r[i] = f(a[i]);
    }
    s.pushed();
}

template <class F> [[gnu::always_inline]] inline void apply2(LaneStack& s, int n, F f) {
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    double* r = s.next();
    for (int i = 0; i < n; ++i)
        r[i] = f(a[i], b[i]);
    s.pushed();
}

template <class F> [[gnu::always_inline]] inline void apply3(LaneStack& s, int n, F f) {
    const double* c = s.popNumber();
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    double* r = s.next();
    for (int i = 0; i < n; ++i)
        r[i] = f(a[i], b[i], c[i]);
    s.pushed();
}

template <class F> [[gnu::always_inline]] inline void apply4(LaneStack& s, int n, F f) {
    const double* d = s.popNumber();
    const double* c = s.popNumber();
    const double* b = s.popNumber();
    const double* a = s.popNumber();
    double* r = s.next();
    for (int i = 0; i < n; ++i)
        r[i] = f(a[i], b[i], c[i], d[i]);
    s.pushed();
}

// A triple result per lane, made in scratch arrays first: its operands may
// lie in the slots it is pushed to, in another order.
template <class F> [[gnu::always_inline]] inline void applyTriple(LaneStack& s, int n, F f) {
    Lanes a, b, c;
    for (int i = 0; i < n; ++i)
        f(i, a[i], b[i], c[i]);
    s.pushTriple(a, b, c);
}

// blend and ease lane by lane, as FormulaValue does it.
inline FormulaValue laneValue(const LaneValue& v, int i) {
    return v.isTriple ? tripleValue(v.first[i], v.second[i], v.third[i]) : numberValue(v.first[i]);
}

void pushBlend(LaneStack& s, int n, const LaneValue& a, const LaneValue& b, const double* w) {
    Lanes r1, r2, r3;
    const bool triple = a.isTriple || b.isTriple;
    for (int i = 0; i < n; ++i) {
        const FormulaValue v = blend(laneValue(a, i), laneValue(b, i), w[i]);
        r1[i] = v.first;
        r2[i] = v.second;
        r3[i] = v.third;
    }
    s.pushValue(r1, r2, r3, triple);
}

// Slots whose value is the frame's for every lane. Any slot not listed here is
// read lane by lane.
constexpr bool sameInEveryLane(std::uint8_t slot) {
    switch (static_cast<Slot>(slot)) {
    case Slot::T:
    case Slot::W:
    case Slot::H:
    case Slot::I:
    case Slot::N:
    case Slot::Fw:
    case Slot::Fh:
    case Slot::Jx:
    case Slot::Jy:
    case Slot::Pw:
    case Slot::Ph:
    case Slot::Cx:
    case Slot::Cy:
    case Slot::Pi:
    case Slot::Pi2:
    case Slot::E: return true;
    default: return false;
    }
}

void pushVariable(LaneStack& s, std::uint8_t slot, const FormulaContext& ctx,
                  const FrameVariables& frame, BatchSamples& in) {
    const int n = in.count;
    double* r = s.next();
    switch (static_cast<Slot>(slot)) {
    case Slot::X: s.pushShared(in.x); return;
    case Slot::Y: s.pushShared(in.y); return;
    case Slot::Px:
        for (int i = 0; i < n; ++i)
            r[i] = in.px[i];
        break;
    case Slot::Py:
        for (int i = 0; i < n; ++i)
            r[i] = in.py[i];
        break;
    // As the variables table reads them, without a frame per lane.
    case Slot::D: laneDistancesFrom(in.x, in.y, frame.cx, frame.cy, r, n); break;
    case Slot::A:
        for (int i = 0; i < n; ++i)
            r[i] = angle(in.x[i] - frame.cx, in.y[i] - frame.cy);
        break;
    case Slot::Random:
        for (int i = 0; i < n; ++i) {
            in.random[i] = RandomState::step(in.random[i]);
            r[i] = in.random[i] * RandomState::kScale;
        }
        break;
    default:
        if (sameInEveryLane(slot)) {
            const double v = variableValue(slot, ctx, frame);
            for (int i = 0; i < n; ++i)
                r[i] = v;
        } else {
            FrameVariables v = frame;
            for (int i = 0; i < n; ++i) {
                v.px = in.px[i];
                v.py = in.py[i];
                v.x = in.x[i];
                v.y = in.y[i];
                r[i] = variableValue(slot, ctx, v);
            }
        }
        break;
    }
    s.pushed();
}

} // namespace

bool batchable(const std::uint8_t* code) {
    return gradientTableBuilt() || !usesGradientNoise(code);
}

TREVALIN_LANE_CLONES void runFormulaBatch(const FormulaContext& ctx, const std::uint8_t* code,
                                          const FrameVariables& frame, BatchSamples& in,
                                          BatchValues& out) {
    const int n = in.count;
    assert(n >= 1 && n <= kBatchLanes);
    LaneStack s(n, out.stack);
    const std::uint8_t* pc = code;
    const SourceImage* source = frame.source;
    const double t = frame.t;

    for (;;) {
        const std::uint8_t kind = *pc++;
        if (kind == kRecordEnd) break;

        if (kind == kRecordVariable) {
            const std::uint8_t slot = *pc++;
            if (slot == kSlotLiteral) {
                double literal;
                std::memcpy(&literal, pc, sizeof literal);
                pc += sizeof literal;
                double* r = s.next();
                for (int i = 0; i < n; ++i)
                    r[i] = literal;
                s.pushed();
            } else if (slot != kSlotUnknown && slot <= kLastSlot) {
                pushVariable(s, slot, ctx, frame, in);
            }
            continue;
        }
        if (kind != kRecordOperation) continue;

        // The same cases, operands and results as the one-sample interpreter.
        switch (static_cast<Op>(*pc++)) {
        case Op::Int: apply1(s, n, intOp); break;
        case Op::Sqrt: applyLanes1(s, n, laneSquareRoots); break;
        case Op::Log: applyCostly1(s, n, [](double a) { return std::log(a); }); break;
        case Op::Log10: applyCostly1(s, n, [](double a) { return std::log10(a); }); break;
        case Op::Abs: apply1(s, n, [](double a) { return std::fabs(a); }); break;
        case Op::Sign: apply1(s, n, [](double a) { return a >= 0.0 ? 1.0 : -1.0; }); break;
        case Op::Exp: applyCostly1(s, n, [](double a) { return std::exp(a); }); break;
        case Op::Cos: applyCostly1(s, n, [](double a) { return std::cos(a); }); break;
        case Op::Sin: applyCostly1(s, n, [](double a) { return std::sin(a); }); break;
        case Op::Tan: applyCostly1(s, n, [](double a) { return std::tan(a); }); break;
        case Op::Acos: applyCostly1(s, n, [](double a) { return std::acos(a); }); break;
        case Op::Asin: applyCostly1(s, n, [](double a) { return std::asin(a); }); break;
        case Op::Atan: applyCostly1(s, n, [](double a) { return std::atan(a); }); break;
        case Op::Cosh: applyCostly1(s, n, [](double a) { return std::cosh(a); }); break;
        case Op::Sinh: applyCostly1(s, n, [](double a) { return std::sinh(a); }); break;
        case Op::Tanh: applyCostly1(s, n, [](double a) { return std::tanh(a); }); break;
        case Op::Sin2:
            applyCostly1(s, n, [](double a) {
                const double q = std::sin(a);
                return q * q;
            });
            break;
        case Op::Cos2:
            applyCostly1(s, n, [](double a) {
                const double q = std::cos(a);
                return q * q;
            });
            break;
        case Op::Sin3:
            applyCostly1(s, n, [](double a) {
                const double q = std::sin(a);
                return q * q * q;
            });
            break;
        case Op::Cos3:
            applyCostly1(s, n, [](double a) {
                const double q = std::cos(a);
                return q * q * q;
            });
            break;

        // Every call of a sample is at its point, after its first call: the
        // memo's slot, as the chain worked it out.
        case Op::Mandel:
        case Op::Man3:
        case Op::Julia:
        case Op::Dragon: {
            double* r = s.next();
            for (int i = 0; i < n; ++i)
                r[i] = in.memoCount[i];
            s.pushed();
            break;
        }
        case Op::Manc: s.pushShared(in.memoValue); break;
        case Op::Zebra: apply4(s, n, zebra); break;

        case Op::Noise: applyRowLanes(ctx, s, n, noise2Lanes); break;
        case Op::Turb: applyRowLanes(ctx, s, n, turbulence2Lanes); break;
        case Op::Noise3d: applyRowLanes3(ctx, s, n, noise3Lanes); break;
        case Op::Turb3d: applyRowLanes3(ctx, s, n, turbulence3Lanes); break;
        case Op::Gnoise3d: applyLanes3(s, n, gradientNoise3Lanes); break;
        case Op::Gturb3d: applyLanes3(s, n, gradientTurbulence3Lanes); break;
        case Op::Fbm: {
            const double* octaves = s.popNumber();
            const double* lacunarity = s.popNumber();
            const double* H = s.popNumber();
            const double* z = s.popNumber();
            const double* y = s.popNumber();
            const double* x = s.popNumber();
            double* r = s.next();
            fbmLanes(x, y, z, H, lacunarity, octaves, r, n);
            s.pushed();
            break;
        }

        case Op::Cond:
            apply3(s, n, [](double a, double b, double c) { return isTrue(a) ? b : c; });
            break;
        case Op::Angle: apply2(s, n, angle); break;
        case Op::Distance: applyLanes2(s, n, laneDistances); break;
        case Op::Hypot: apply2(s, n, [](double a, double b) { return std::hypot(a, b); }); break;
        case Op::Fib: apply1(s, n, fib); break;
        case Op::Prime: apply1(s, n, prime); break;

        case Op::Terp: {
            const LaneValue b = s.popValue();
            const LaneValue a = s.popValue();
            Lanes w;
            for (int i = 0; i < n; ++i)
                w[i] = t;
            pushBlend(s, n, a, b, w);
            break;
        }
        case Op::Terpt: {
            Lanes w;
            std::memcpy(w, s.popNumber(), sizeof(double) * static_cast<std::size_t>(n));
            const LaneValue b = s.popValue();
            const LaneValue a = s.popValue();
            pushBlend(s, n, a, b, w);
            break;
        }
        case Op::Ease: {
            const LaneValue a = s.popValue();
            Lanes r1, r2, r3;
            for (int i = 0; i < n; ++i) {
                const FormulaValue v = ease(laneValue(a, i));
                r1[i] = v.first;
                r2[i] = v.second;
                r3[i] = v.third;
            }
            s.pushValue(r1, r2, r3, a.isTriple);
            break;
        }

        case Op::Linen: apply4(s, n, linen); break;
        case Op::Linenr: apply4(s, n, linenr); break;
        case Op::Limit: apply3(s, n, limit); break;

        case Op::Negate: apply1(s, n, [](double a) { return -a; }); break;
        case Op::Not: apply1(s, n, [](double a) { return flag(!isTrue(a)); }); break;
        case Op::Complement: apply1(s, n, complementOp); break;
        case Op::Pow: apply2(s, n, powOp); break;
        case Op::Pow2: apply1(s, n, pow2Op); break;
        case Op::Multiply: apply2(s, n, [](double a, double b) { return a * b; }); break;
        case Op::Divide: apply2(s, n, divideOp); break;
        case Op::Mod: apply2(s, n, modOp); break;
        case Op::Add: apply2(s, n, [](double a, double b) { return a + b; }); break;
        case Op::Subtract: apply2(s, n, [](double a, double b) { return a - b; }); break;
        case Op::BitAnd: apply2(s, n, bitAndOp); break;
        case Op::BitOr: apply2(s, n, bitOrOp); break;
        case Op::Xor: apply2(s, n, xorOp); break;

        case Op::Equal:
            apply2(s, n, [](double a, double b) { return flag(!(a < b || a > b)); });
            break;
        case Op::NotEqual:
            apply2(s, n, [](double a, double b) { return flag(a < b || a > b); });
            break;
        case Op::Less: apply2(s, n, [](double a, double b) { return flag(!(a >= b)); }); break;
        case Op::LessEqual: apply2(s, n, [](double a, double b) { return flag(!(a > b)); }); break;
        case Op::Greater: apply2(s, n, [](double a, double b) { return flag(a > b); }); break;
        case Op::GreaterEqual: apply2(s, n, [](double a, double b) { return flag(a >= b); }); break;
        case Op::LogicalAnd:
            apply2(s, n, [](double a, double b) { return flag(isTrue(a) && isTrue(b)); });
            break;
        case Op::LogicalOr:
            apply2(s, n, [](double a, double b) { return flag(isTrue(a) || isTrue(b)); });
            break;

        case Op::Red:
            apply2(s, n, [&](double a, double b) { return redOf(pixelAtPoint(source, a, b)); });
            break;
        case Op::Green:
            apply2(s, n, [&](double a, double b) { return greenOf(pixelAtPoint(source, a, b)); });
            break;
        case Op::Blue:
            apply2(s, n, [&](double a, double b) { return blueOf(pixelAtPoint(source, a, b)); });
            break;
        case Op::Sample:
        case Op::SampleTile: {
            const bool tile = pc[-1] == static_cast<std::uint8_t>(Op::SampleTile);
            const double* b = s.popNumber();
            const double* a = s.popNumber();
            applyTriple(s, n, [&](int i, double& r1, double& r2, double& r3) {
                const FormulaValue v = sampleSource(source, a[i], b[i], tile);
                r1 = v.first;
                r2 = v.second;
                r3 = v.third;
            });
            break;
        }
        case Op::Rgb: {
            const double* c = s.popNumber();
            const double* b = s.popNumber();
            const double* a = s.popNumber();
            applyTriple(s, n, [&](int i, double& r1, double& r2, double& r3) {
                r1 = a[i];
                r2 = b[i];
                r3 = c[i];
            });
            break;
        }
        case Op::Hsv: {
            const double* value = s.popNumber();
            const double* saturation = s.popNumber();
            const double* hue = s.popNumber();
            applyTriple(s, n, [&](int i, double& r1, double& r2, double& r3) {
                std::int32_t vv = truncToInt32(value[i]);
                std::int32_t ss = truncToInt32(saturation[i]);
                std::int32_t hh = truncToInt32(hue[i]);
                hsvToRgb(hh, ss, vv);
                r1 = hh;
                r2 = ss;
                r3 = vv;
            });
            break;
        }

        default: break;
        }
    }

    const LaneValue v = s.popValue(); // zeros when the code left nothing
    out.first = v.first;
    out.second = v.second;
    out.third = v.third;
    out.isTriple = v.isTriple;
}

} // namespace trevalin
