// The constant folder against the interpreter: for every operation the folder
// evaluates, a folded literal holds the very bits the same operation computes
// at run time, over the awkward operands (signed zeros, NaN, infinities,
// INT32_MIN, values outside int32).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "formula/code_emitter.h"
#include "formula/code_walk.h"
#include "formula/disassembler.h"
#include "formula/fold_rules.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"

namespace trevalin {
namespace {

const double kOperands[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            -2147483648.0,
                            1e10};

// Literal records and the operation, as the emitter would write them unfolded.
std::vector<std::uint8_t> unfolded(const std::vector<double>& operands, std::uint8_t code) {
    std::vector<std::uint8_t> bytes;
    for (double v : operands) {
        bytes.push_back(kRecordVariable);
        bytes.push_back(kSlotLiteral);
        const std::size_t at = bytes.size();
        bytes.resize(at + sizeof v);
        std::memcpy(bytes.data() + at, &v, sizeof v);
    }
    bytes.push_back(kRecordOperation);
    bytes.push_back(code);
    bytes.push_back(kRecordEnd);
    return bytes;
}

// The emitter's folded code for the operation on these literals.
std::vector<std::uint8_t> folded(const std::vector<double>& operands, std::uint8_t code) {
    std::vector<std::uint8_t> area(kCodeAreaSize, 0xAB);
    CodeEmitter emitter(area.data());
    for (double v : operands)
        emitter.emitLiteral(v);
    emitter.emitOperation(code);
    emitter.writeEnd();
    area.resize(static_cast<std::size_t>(codeLength(area.data())));
    return area;
}

std::uint64_t bitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

TEST(ConstantFolding, FoldedBitsEqualRunTimeBits) {
    int foldable = 0, checked = 0;
    for (int code = 0; code <= kLastOpCode; ++code) {
        const std::uint8_t c = static_cast<std::uint8_t>(code);
        const FoldRule& rule = foldRule(c);
        if (rule.operands == 0) {
            // Codes that never fold keep their operation record.
            const std::vector<std::uint8_t> bytes = folded({2.0, 3.0}, c);
            EXPECT_EQ(bytes, unfolded({2.0, 3.0}, c)) << disassemble(bytes.data());
            continue;
        }
        ++foldable;
        std::vector<std::vector<double>> operandLists;
        for (double a : kOperands) {
            if (rule.operands == 1) {
                operandLists.push_back({a});
                continue;
            }
            for (double b : kOperands)
                operandLists.push_back({a, b});
        }
        for (const std::vector<double>& operands : operandLists) {
            const std::vector<std::uint8_t> run = unfolded(operands, c);
            const std::vector<std::uint8_t> fold = folded(operands, c);
            ASSERT_EQ(fold.size(), static_cast<std::size_t>(kLiteralRecordSize + 1))
                << opInfo(c).name << " did not fold: " << disassemble(fold.data());
            FormulaContext ctx;
            const double atRunTime = evaluateFormula(ctx, run.data(), FrameVariables{});
            EXPECT_EQ(bitsOf(literalValue(fold.data())), bitsOf(atRunTime))
                << disassemble(run.data()) << " folds to " << disassemble(fold.data())
                << " but runs to " << atRunTime;
            ++checked;
        }
    }
    // add, subtract, multiply, divide, pow, mod, and, or, xor; negate, ~, int, pow2
    EXPECT_EQ(foldable, 13);
    EXPECT_EQ(checked, 9 * 81 + 4 * 9);
}

} // namespace
} // namespace trevalin
