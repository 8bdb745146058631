// What the parser's actions share during one compile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formula/code_emitter.h"
#include "formula/diagnostics.h"
#include "formula/opcodes.h"
#include "formula/scanner.h"
#include "formula/symbol_table.h"

namespace trevalin {

struct CompileState {
    SymbolTable symbols;
    std::vector<FormulaDiagnostic> diagnostics;
    Scanner scanner;
    CodeEmitter emitter;
    std::uint32_t dependencyFlags = kDependencyFlagsStart;
    bool failed = false;
    std::string message;
    // The last two tokens handed to the parser: at a syntax error, the one it
    // could not take and the one before it.
    Token previous;
    Token lookahead;
    int tokensRead = 0;

    CompileState(const char* text, std::size_t maxLength, std::uint8_t* codeArea)
        : scanner(text, maxLength, symbols, diagnostics), emitter(codeArea) {}

    void fail(DiagnosticKind kind, int offset, int length, std::string detail) {
        failed = true;
        message = headingOf(kind);
        diagnostics.push_back(FormulaDiagnostic{kind, offset, length, std::move(detail)});
    }
    void warn(DiagnosticKind kind, int offset, int length, std::string detail) {
        diagnostics.push_back(FormulaDiagnostic{kind, offset, length, std::move(detail)});
    }
};

// Runs the parser to completion over the state's scanner.
void parseFormula(CompileState& state);

// Warns when a call gives a function more or fewer values than it takes;
// begin and end are the place of the function's name.
void checkArgumentCount(CompileState& state, const SymbolEntry& function, int given, int begin,
                        int end);

// Records the syntax error at the lookahead token, saying what the parser
// expected (a set of ExpectedTokens bits) or, for the usual slips, what to write.
void reportSyntaxError(CompileState& state, unsigned expected);

} // namespace trevalin
