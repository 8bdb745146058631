// What the parser's actions share during one compile.
#pragma once

#include <cstdint>
#include <string>

#include "formula/code_emitter.h"
#include "formula/opcodes.h"
#include "formula/scanner.h"
#include "formula/symbol_table.h"

namespace trevalin {

struct CompileState {
    SymbolTable symbols;
    Scanner scanner;
    CodeEmitter emitter;
    std::uint32_t dependencyFlags = kDependencyFlagsStart;
    bool failed = false;
    std::string message;

    CompileState(const char* text, std::size_t maxLength, std::uint8_t* codeArea)
        : scanner(text, maxLength, symbols), emitter(codeArea) {}

    void fail(const char* text) {
        failed = true;
        message = text;
    }
};

// Runs the parser to completion over the state's scanner.
void parseFormula(CompileState& state);

} // namespace trevalin
