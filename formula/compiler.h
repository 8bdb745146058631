// Compiles formula text into byte code. One compile runs at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formula/formula_slot.h"

namespace trevalin {

// Compiles the slot's text into its code area and stores the dependency flags.
// Returns 0 on success and 1 on failure; a failed compile leaves the empty code
// (the End byte at the start of the area).
int compileFormula(FormulaSlot& slot);

// The same for any text of up to maxLength characters (the slot limits it to 1023).
int compileFormulaText(const char* text, std::size_t maxLength, std::uint8_t* code,
                       std::int32_t& flags);

// The message of the last failed compile ("parse error", "parser stack overflow",
// "formula too long", "formula too complex"); empty after a success.
const char* lastCompileError();

} // namespace trevalin
