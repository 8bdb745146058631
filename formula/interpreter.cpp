#include "formula/interpreter.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "formula/arith.h"
#include "formula/fractals.h"
#include "formula/noise.h"
#include "formula/random_state.h"
#include "formula/scalar_functions.h"
#include "formula/source_pixels.h"
#include "formula/variable_value.h"

namespace trevalin {
namespace {

// Tests against zero (not, cond, &&, ||) count a NaN as 0.
inline bool isTrue(double a) {
    return a < 0.0 || a > 0.0;
}
inline double flag(bool b) {
    return b ? 1.0 : 0.0;
}

// The run's view of the context stack. It lives in a local so the top index
// stays in a register; the context's stackTop is never written during a run.
// Its members are forced inline: one out-of-line pop would make the object
// escape and put the top index back in memory for the whole loop.
// Pops never go below the base: a missing operand reads as 0. Everything
// above the base was pushed by this run, so its triple marks are consistent
// and a marked top slot always has its two lower slots above the base too.
class Stack {
  public:
    Stack(double* slots, std::uint8_t* marks, int base)
        : slots_(slots), marks_(marks), base_(base), top_(base) {}

    [[gnu::always_inline]] bool empty() const { return top_ <= base_; }

    [[gnu::always_inline]] void push(double v) {
        assert(top_ < kStackSize && "stack depth is bounded when the formula is compiled");
        marks_[top_] = 0;
        slots_[top_++] = v;
    }
    [[gnu::always_inline]] void pushTriple(double a, double b, double c) {
        assert(top_ + 3 <= kStackSize && "stack depth is bounded when the formula is compiled");
        slots_[top_] = c;
        slots_[top_ + 1] = b;
        slots_[top_ + 2] = a;
        marks_[top_] = 0;
        marks_[top_ + 1] = 0;
        marks_[top_ + 2] = 1;
        top_ += 3;
    }
    [[gnu::always_inline]] void pushValue(const FormulaValue& v) {
        if (v.isTriple)
            pushTriple(v.first, v.second, v.third);
        else
            push(v.first);
    }

    // A triple used as a number gives its third component.
    [[gnu::always_inline]] double popNumber() {
        if (empty()) return 0.0;
        if (marks_[top_ - 1]) {
            assert(top_ - 3 >= base_);
            top_ -= 3;
        } else {
            top_ -= 1;
        }
        return slots_[top_];
    }
    [[gnu::always_inline]] FormulaValue popValue() {
        if (empty()) return numberValue(0.0);
        if (!marks_[top_ - 1]) return numberValue(slots_[--top_]);
        assert(top_ - 3 >= base_);
        top_ -= 3;
        return tripleValue(slots_[top_ + 2], slots_[top_ + 1], slots_[top_]);
    }

  private:
    double* slots_;
    std::uint8_t* marks_;
    int base_;
    int top_;
};

template <class F> [[gnu::always_inline]] inline void apply1(Stack& s, F f) {
    const double a = s.popNumber();
    s.push(f(a));
}

// Operands come off last first, so a is the first argument in source order.
template <class F> [[gnu::always_inline]] inline void apply2(Stack& s, F f) {
    const double b = s.popNumber();
    const double a = s.popNumber();
    s.push(f(a, b));
}

template <class F> [[gnu::always_inline]] inline void apply3(Stack& s, F f) {
    const double c = s.popNumber();
    const double b = s.popNumber();
    const double a = s.popNumber();
    s.push(f(a, b, c));
}

// The run itself, inlined into both entry points so that evaluateFormula
// drops the parts of the result it does not return.
[[gnu::always_inline]] inline FormulaValue run(FormulaContext& ctx, const std::uint8_t* code,
                                               const FrameVariables& v) {
    Stack s(ctx.stack, ctx.tripleMark, ctx.stackTop);
    const std::uint8_t* pc = code;

    for (;;) {
        const std::uint8_t kind = *pc++;
        if (kind == kRecordEnd) break;

        if (kind == kRecordVariable) {
            const std::uint8_t slot = *pc++;
            if (slot == kSlotLiteral) {
                // Stored unaligned right after the slot byte.
                double literal;
                std::memcpy(&literal, pc, sizeof literal);
                pc += sizeof literal;
                s.push(literal);
            } else if (slot != kSlotUnknown && slot <= kLastSlot) {
                s.push(variableValue(slot, ctx, v));
            } // an unknown name, or a stray slot, pushes nothing
            continue;
        }
        if (kind != kRecordOperation) continue; // a stray byte is skipped by itself

        // Each case pops what opcodes.h says the code takes and pushes one
        // result; the compiler's depth check relies on the two agreeing.
        switch (static_cast<Op>(*pc++)) {
        case Op::Int: apply1(s, intOp); break;
        case Op::Sqrt: apply1(s, [](double a) { return std::sqrt(a); }); break;
        case Op::Log: apply1(s, [](double a) { return std::log(a); }); break;
        case Op::Log10: apply1(s, [](double a) { return std::log10(a); }); break;
        case Op::Abs: apply1(s, [](double a) { return std::fabs(a); }); break;
        // A NaN is unordered, so it counts as less than 0: -1.
        case Op::Sign: apply1(s, [](double a) { return a >= 0.0 ? 1.0 : -1.0; }); break;
        case Op::Exp: apply1(s, [](double a) { return std::exp(a); }); break;
        case Op::Cos: apply1(s, [](double a) { return std::cos(a); }); break;
        case Op::Sin: apply1(s, [](double a) { return std::sin(a); }); break;
        case Op::Tan: apply1(s, [](double a) { return std::tan(a); }); break;
        case Op::Acos: apply1(s, [](double a) { return std::acos(a); }); break;
        case Op::Asin: apply1(s, [](double a) { return std::asin(a); }); break;
        case Op::Atan: apply1(s, [](double a) { return std::atan(a); }); break;
        case Op::Cosh: apply1(s, [](double a) { return std::cosh(a); }); break;
        case Op::Sinh: apply1(s, [](double a) { return std::sinh(a); }); break;
        case Op::Tanh: apply1(s, [](double a) { return std::tanh(a); }); break;
        case Op::Sin2:
            apply1(s, [](double a) {
                const double q = std::sin(a);
                return q * q;
            });
            break;
        case Op::Cos2:
            apply1(s, [](double a) {
                const double q = std::cos(a);
                return q * q;
            });
            break;
        case Op::Sin3:
            apply1(s, [](double a) {
                const double q = std::sin(a);
                return q * q * q;
            });
            break;
        case Op::Cos3:
            apply1(s, [](double a) {
                const double q = std::cos(a);
                return q * q * q;
            });
            break;

        case Op::Mandel: s.push(mandel(ctx, v.x, v.y)); break;
        case Op::Manc: s.push(manc(ctx, v.x, v.y)); break;
        case Op::Man3: s.push(man3(ctx, v.x, v.y)); break;
        case Op::Julia: s.push(julia(ctx, v.x, v.y, v.jx, v.jy)); break;
        case Op::Dragon: s.push(dragon(ctx, v.x, v.y, v.jx, v.jy)); break;
        case Op::Zebra: {
            const double d = s.popNumber();
            const double c = s.popNumber();
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.push(zebra(a, b, c, d));
            break;
        }

        case Op::Noise: apply2(s, [&](double a, double b) { return noise2(ctx, a, b); }); break;
        case Op::Turb: apply2(s, [&](double a, double b) { return turbulence2(ctx, a, b); }); break;
        case Op::Noise3d:
            apply3(s, [&](double a, double b, double c) { return noise3(ctx, a, b, c); });
            break;
        case Op::Turb3d:
            apply3(s, [&](double a, double b, double c) { return turbulence3(ctx, a, b, c); });
            break;
        case Op::Gnoise3d: apply3(s, gradientNoise3); break;
        case Op::Gturb3d: apply3(s, gradientTurbulence3); break;
        case Op::Fbm: {
            const double octaves = s.popNumber();
            const double lacunarity = s.popNumber();
            const double H = s.popNumber();
            const double z = s.popNumber();
            const double y = s.popNumber();
            const double x = s.popNumber();
            s.push(fbm(x, y, z, H, lacunarity, octaves));
            break;
        }

        case Op::Cond:
            apply3(s, [](double a, double b, double c) { return isTrue(a) ? b : c; });
            break;
        case Op::Angle: apply2(s, angle); break;
        case Op::Distance: apply2(s, distance); break;
        case Op::Fib: apply1(s, fib); break;
        case Op::Prime: apply1(s, prime); break;

        case Op::Terp: {
            const FormulaValue b = s.popValue();
            const FormulaValue a = s.popValue();
            s.pushValue(blend(a, b, v.t));
            break;
        }
        case Op::Terpt: {
            const double w = s.popNumber();
            const FormulaValue b = s.popValue();
            const FormulaValue a = s.popValue();
            s.pushValue(blend(a, b, w));
            break;
        }
        case Op::Ease: s.pushValue(ease(s.popValue())); break;

        case Op::Linen: {
            const double d = s.popNumber();
            const double c = s.popNumber();
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.push(linen(a, b, c, d));
            break;
        }
        case Op::Linenr: {
            const double d = s.popNumber();
            const double c = s.popNumber();
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.push(linenr(a, b, c, d));
            break;
        }
        case Op::Limit: apply3(s, limit); break;

        case Op::Negate: apply1(s, [](double a) { return -a; }); break;
        case Op::Not: apply1(s, [](double a) { return flag(!isTrue(a)); }); break;
        case Op::Complement: apply1(s, complementOp); break;
        case Op::Pow: apply2(s, powOp); break;
        case Op::Pow2: apply1(s, pow2Op); break;
        case Op::Multiply: apply2(s, [](double a, double b) { return a * b; }); break;
        case Op::Divide: apply2(s, divideOp); break;
        case Op::Mod: apply2(s, modOp); break;
        case Op::Add: apply2(s, [](double a, double b) { return a + b; }); break;
        case Op::Subtract: apply2(s, [](double a, double b) { return a - b; }); break;
        case Op::BitAnd: apply2(s, bitAndOp); break;
        case Op::BitOr: apply2(s, bitOrOp); break;
        case Op::Xor: apply2(s, xorOp); break;

        // Comparisons: unordered (a NaN operand) counts as equal and as less.
        case Op::Equal:
            apply2(s, [](double a, double b) { return flag(!(a < b || a > b)); });
            break;
        case Op::NotEqual:
            apply2(s, [](double a, double b) { return flag(a < b || a > b); });
            break;
        case Op::Less: apply2(s, [](double a, double b) { return flag(!(a >= b)); }); break;
        case Op::LessEqual: apply2(s, [](double a, double b) { return flag(!(a > b)); }); break;
        case Op::Greater: apply2(s, [](double a, double b) { return flag(a > b); }); break;
        case Op::GreaterEqual: apply2(s, [](double a, double b) { return flag(a >= b); }); break;
        // Both operands are always consumed; there is no short circuit.
        case Op::LogicalAnd:
            apply2(s, [](double a, double b) { return flag(isTrue(a) && isTrue(b)); });
            break;
        case Op::LogicalOr:
            apply2(s, [](double a, double b) { return flag(isTrue(a) || isTrue(b)); });
            break;

        case Op::Red:
            apply2(s, [&](double a, double b) { return redOf(pixelAtPoint(v.source, a, b)); });
            break;
        case Op::Green:
            apply2(s, [&](double a, double b) { return greenOf(pixelAtPoint(v.source, a, b)); });
            break;
        case Op::Blue:
            apply2(s, [&](double a, double b) { return blueOf(pixelAtPoint(v.source, a, b)); });
            break;
        case Op::Sample: {
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.pushValue(sampleSource(v.source, a, b, false));
            break;
        }
        case Op::SampleTile: {
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.pushValue(sampleSource(v.source, a, b, true));
            break;
        }
        case Op::Rgb: {
            const double c = s.popNumber();
            const double b = s.popNumber();
            const double a = s.popNumber();
            s.pushTriple(a, b, c);
            break;
        }
        case Op::Hsv: {
            std::int32_t value = truncToInt32(s.popNumber());
            std::int32_t saturation = truncToInt32(s.popNumber());
            std::int32_t hue = truncToInt32(s.popNumber());
            hsvToRgb(hue, saturation, value);
            s.pushTriple(hue, saturation, value);
            break;
        }

        // l[..], c[..], s[..], code 0 and codes past the table do nothing and
        // leave their operands: stored presets may rely on that.
        default: break;
        }
    }

    // The stack returns to its entry state, whatever the code left beneath.
    if (s.empty()) return numberValue(0.0);
    return s.popValue();
}

} // namespace

FormulaValue runFormula(FormulaContext& ctx, const std::uint8_t* code, const FrameVariables& v) {
    return run(ctx, code, v);
}

double evaluateFormula(FormulaContext& ctx, const std::uint8_t* code, const FrameVariables& v) {
    return run(ctx, code, v).first;
}

} // namespace trevalin
