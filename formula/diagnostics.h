// What the compiler tells the user about a formula besides its code: the error
// that stopped it and the likely mistakes it compiled anyway, each with its
// place. Every front end (tools, pages, editor) formats them through here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevalin {

enum class Severity : std::uint8_t { Error, Warning };

enum class DiagnosticKind : std::uint8_t {
    ParseError,
    StackOverflow,
    TooLong,
    TooComplex,
    OutOfMemory,
    UnknownName,
    ArgumentCount,
    StringValue,
    SkippedCharacter,
};

struct FormulaDiagnostic {
    DiagnosticKind kind = DiagnosticKind::ParseError;
    int offset = 0; // bytes into the formula text
    int length = 0; // bytes the place covers; 0 at the end of the formula
    std::string detail;
};

Severity severityOf(DiagnosticKind kind);
// The short text that heads the message: "parse error", "formula too long",
// "warning"...
const char* headingOf(DiagnosticKind kind);

// 1-based line and column; the column counts characters, not bytes.
struct FormulaPlace {
    int line = 1;
    int column = 1;
};
FormulaPlace placeOf(std::string_view text, int offset);

// "parse error: unexpected end of formula, expected a value"
std::string diagnosticText(const FormulaDiagnostic& d);
// "red:1:10: parse error: ..." and, on the next lines, the formula's line with a
// caret under the place.
std::string compilerStyle(std::string_view source, std::string_view text,
                          const FormulaDiagnostic& d);
// "layer 1: parse error at column 10: ..." (with the line too when the text has
// several).
std::string labelledText(std::string_view label, std::string_view text, const FormulaDiagnostic& d);

// The error among diagnostics, or null when there is none.
const FormulaDiagnostic* firstError(const std::vector<FormulaDiagnostic>& diagnostics);

} // namespace trevalin
