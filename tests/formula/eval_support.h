// Shared by the evaluation tests: compile formula text or assemble byte code
// by hand, then run it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formula/compiler.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"
#include "formula/opcodes.h"

namespace trevalin::evaltest {

using Code = std::array<std::uint8_t, kCodeAreaSize>;

// Hand-assembled code, for what the compiler never emits (stray slots and
// bytes, too few operands) or to keep operators from being folded.
class CodeBuilder {
  public:
    CodeBuilder& literal(double v) {
        bytes_.push_back(kRecordVariable);
        bytes_.push_back(kSlotLiteral);
        std::uint8_t raw[sizeof v];
        std::memcpy(raw, &v, sizeof v);
        bytes_.insert(bytes_.end(), raw, raw + sizeof v);
        return *this;
    }
    CodeBuilder& variable(std::uint8_t slot) {
        bytes_.push_back(kRecordVariable);
        bytes_.push_back(slot);
        return *this;
    }
    CodeBuilder& variable(Slot slot) { return variable(static_cast<std::uint8_t>(slot)); }
    CodeBuilder& op(std::uint8_t code) {
        bytes_.push_back(kRecordOperation);
        bytes_.push_back(code);
        return *this;
    }
    CodeBuilder& op(Op code) { return op(static_cast<std::uint8_t>(code)); }
    CodeBuilder& raw(std::uint8_t byte) {
        bytes_.push_back(byte);
        return *this;
    }
    CodeBuilder& triple(double a, double b, double c) {
        return literal(a).literal(b).literal(c).op(Op::Rgb);
    }
    // The code area: the records, the End byte, zeros after.
    Code build() const {
        Code code{};
        std::copy(bytes_.begin(), bytes_.end(), code.begin());
        code[bytes_.size()] = kRecordEnd;
        return code;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

inline Code compileOrFail(const std::string& text) {
    Code code{};
    std::int32_t flags = 0;
    const int failed = compileFormulaText(text.c_str(), text.size(), code.data(), flags);
    EXPECT_EQ(failed, 0) << text << ": " << lastCompileError();
    return code;
}

// Compiles and runs text against vars in ctx.
inline FormulaValue run(FormulaContext& ctx, const std::string& text,
                        const FrameVariables& vars = {}) {
    const Code code = compileOrFail(text);
    return runFormula(ctx, code.data(), vars);
}

inline double eval(FormulaContext& ctx, const std::string& text, const FrameVariables& vars = {}) {
    return run(ctx, text, vars).first;
}

inline bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The same bits, except that any NaN equals any NaN: which operand's payload
// and sign a NaN result carries depends on the operand order the compiler
// picks for + and *, which differs between builds, and nothing downstream can
// tell NaNs apart (every test and conversion treats them alike). For results
// of two paths, such as lanes against one sample at a time.
inline bool sameResult(double a, double b) {
    if (a != a && b != b) return true;
    return sameBits(a, b);
}

// x^e mod (2^31 - 1) by square-and-multiply in 64 bits, independent of the
// generator's own arithmetic.
inline std::int32_t powMod(std::uint64_t x, std::uint64_t e) {
    constexpr std::uint64_t m = 2147483647;
    std::uint64_t r = 1;
    x %= m;
    while (e) {
        if (e & 1) r = r * x % m;
        x = x * x % m;
        e >>= 1;
    }
    return static_cast<std::int32_t>(r);
}

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
inline constexpr double kInf = std::numeric_limits<double>::infinity();

} // namespace trevalin::evaltest
