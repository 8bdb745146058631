// The language's two name tables, in their fixed order: the symbol table is
// seeded from them row by row, so the order decides which entry a name finds.
#pragma once

#include <cstdint>

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

inline constexpr int kFunctionNameCount = 72;
inline constexpr int kVariableNameCount = 32;

extern const FunctionName kBuiltinFunctionTable[kFunctionNameCount];
extern const VariableName kVariableTable[kVariableNameCount];

} // namespace trevalin
