// One formula: its text, its compiled code and its dependency flags.
#pragma once

#include <cstdint>

#include "formula/opcodes.h"

namespace trevalin {

inline constexpr int kFormulaTextSize = 1024; // so at most 1023 characters

struct FormulaSlot {
    char text[kFormulaTextSize];
    std::uint8_t code[kCodeAreaSize];
    std::int32_t flags;
};

// Copies text into the slot, cut at 1023 characters.
void setFormulaText(FormulaSlot& slot, const char* text);

} // namespace trevalin
