// Compiles formula text into byte code. One compile runs at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formula/diagnostics.h"
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

// Everything the last compile noticed, in the order of the text: the error that
// ended a failed compile, and the warnings about likely mistakes. Compiling
// never depends on these.
const std::vector<FormulaDiagnostic>& lastCompileDiagnostics();

struct FormulaCheck {
    bool failed = false;
    std::vector<FormulaDiagnostic> diagnostics;
};
// Compiles text (cut at 1023 characters) into a scratch area, for what it says.
FormulaCheck checkFormula(const std::string& text);

} // namespace trevalin
