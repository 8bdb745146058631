// Which operations the constant folder evaluates at compile time, and with
// what: the fold column of vocabulary.h. The interpreter computes the same
// operations with the same functions of arith.h, so a folded literal has the
// bits the run would have produced.
#pragma once

#include <cstdint>

#include "formula/arith.h"
#include "formula/opcodes.h"

namespace trevalin {

struct FoldRule {
    int operands = 0; // 0: never folded
    double (*unary)(double) = nullptr;
    double (*binary)(double, double) = nullptr;
};

namespace detail {
constexpr FoldRule noFold{};
constexpr FoldRule fold1(double (*f)(double)) {
    return {1, f, nullptr};
}
constexpr FoldRule fold2(double (*f)(double, double)) {
    return {2, nullptr, f};
}

constexpr auto makeFoldRules() {
    struct Table {
        FoldRule rows[kLastOpCode + 1];
    } t{};
#define TREVALIN_FOLD_ROW(code, Name, spelling, args, values, shape, fold, help)                   \
    t.rows[code] = fold;
#define TREVALIN_FOLD_OP_ROW(code, Name, args, values, shape, fold, help) t.rows[code] = fold;
    TREVALIN_BUILTINS(TREVALIN_FOLD_ROW, TREVALIN_IGNORE, TREVALIN_FOLD_OP_ROW)
#undef TREVALIN_FOLD_ROW
#undef TREVALIN_FOLD_OP_ROW
    return t;
}
inline constexpr auto kFoldRules = makeFoldRules();

// A fold takes all of the operation's operands, as numbers.
constexpr bool foldsMatchOperands() {
    for (int code = 0; code <= kLastOpCode; ++code) {
        const FoldRule& rule = kFoldRules.rows[code];
        const OpInfo& info = opInfo(static_cast<std::uint8_t>(code));
        if (rule.operands == 0) continue;
        if (rule.operands != info.args || info.values != 0 || info.shape != ResultShape::Number)
            return false;
    }
    return true;
}
static_assert(foldsMatchOperands(), "a fold rule's operand count differs from its operation's");
} // namespace detail

// The fold rule of operation code `code`; operands 0 for codes that never fold.
constexpr const FoldRule& foldRule(std::uint8_t code) {
    return code <= kLastOpCode ? detail::kFoldRules.rows[code] : detail::kFoldRules.rows[0];
}

} // namespace trevalin
