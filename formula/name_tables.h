// The language's two name tables, in their fixed order, expanded from the
// rows of vocabulary.h. The symbol table is seeded from them row by row.
#pragma once

#include <array>
#include <cstdint>

#include "formula/opcodes.h"

namespace trevalin {

struct FunctionName {
    const char* name;
    std::uint8_t code;
};

struct VariableName {
    const char* name;
    std::uint8_t slot;
    std::uint8_t kind; // dependency bits cleared when the name is used
};

namespace detail {
#define TREVALIN_COUNT_ONE(...) +1
inline constexpr int kFunctionNames =
    0 TREVALIN_BUILTINS(TREVALIN_COUNT_ONE, TREVALIN_COUNT_ONE, TREVALIN_IGNORE);
#undef TREVALIN_COUNT_ONE
#define TREVALIN_COUNT_NAMED(Id, slot, spelling, dependency, reach, ...)                           \
    +(VariableReach::reach == VariableReach::Name ? 1 : 0)
inline constexpr int kVariableNames = 0 TREVALIN_VARIABLES(TREVALIN_COUNT_NAMED);
#undef TREVALIN_COUNT_NAMED
} // namespace detail

inline constexpr int kFunctionNameCount = detail::kFunctionNames;
inline constexpr int kVariableNameCount = detail::kVariableNames;

// Names called as functions, aliases included.
inline constexpr std::array<FunctionName, kFunctionNameCount> kBuiltinFunctionTable = [] {
    std::array<FunctionName, kFunctionNameCount> t{};
    int i = 0;
#define TREVALIN_FN_NAME(code, Name, spelling, ...) t[i++] = {spelling, code};
#define TREVALIN_ALIAS_NAME(spelling, Name)                                                        \
    t[i++] = {spelling, static_cast<std::uint8_t>(Op::Name)};
    TREVALIN_BUILTINS(TREVALIN_FN_NAME, TREVALIN_ALIAS_NAME, TREVALIN_IGNORE)
#undef TREVALIN_FN_NAME
#undef TREVALIN_ALIAS_NAME
    return t;
}();

// Variables found by name look-up; the letters and constants are read by the
// scanner itself and have no entry here.
inline constexpr std::array<VariableName, kVariableNameCount> kVariableTable = [] {
    std::array<VariableName, kVariableNameCount> t{};
    int i = 0;
#define TREVALIN_VARIABLE_NAME(Id, slot, spelling, dependency, reach, ...)                         \
    if (VariableReach::reach == VariableReach::Name) t[i++] = {spelling, slot, dependency};
    TREVALIN_VARIABLES(TREVALIN_VARIABLE_NAME)
#undef TREVALIN_VARIABLE_NAME
    return t;
}();

namespace detail {
constexpr char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Ignoring ASCII letter case, as look-up does.
constexpr bool sameSpelling(const char* a, const char* b) {
    while (*a && folded(*a) == folded(*b)) {
        ++a;
        ++b;
    }
    return folded(*a) == folded(*b);
}
// No name twice: a second row would be silently unreachable, and the symbol
// table looks the rows up in no particular order.
constexpr bool namesUnique() {
    for (int i = 0; i < kFunctionNameCount; ++i) {
        for (int j = i + 1; j < kFunctionNameCount; ++j)
            if (sameSpelling(kBuiltinFunctionTable[i].name, kBuiltinFunctionTable[j].name))
                return false;
        for (const VariableName& v : kVariableTable)
            if (sameSpelling(kBuiltinFunctionTable[i].name, v.name)) return false;
    }
    for (int i = 0; i < kVariableNameCount; ++i)
        for (int j = i + 1; j < kVariableNameCount; ++j)
            if (sameSpelling(kVariableTable[i].name, kVariableTable[j].name)) return false;
    return true;
}
static_assert(namesUnique(), "a function or variable name appears twice");
} // namespace detail

} // namespace trevalin
