#include "formula/diagnostics.h"

#include <algorithm>
#include <string>

namespace trevalin {
namespace {

struct DiagnosticRow {
    DiagnosticKind kind;
    Severity severity;
    const char* heading;
};

// The errors keep the short messages the compiler has always given.
constexpr DiagnosticRow kDiagnosticTable[] = {
    {DiagnosticKind::ParseError, Severity::Error, "parse error"},
    {DiagnosticKind::StackOverflow, Severity::Error, "parser stack overflow"},
    {DiagnosticKind::TooLong, Severity::Error, "formula too long"},
    {DiagnosticKind::TooComplex, Severity::Error, "formula too complex"},
    {DiagnosticKind::OutOfMemory, Severity::Error, "out of memory"},
    {DiagnosticKind::UnknownName, Severity::Warning, "warning"},
    {DiagnosticKind::ArgumentCount, Severity::Warning, "warning"},
    {DiagnosticKind::StringValue, Severity::Warning, "warning"},
    {DiagnosticKind::SkippedCharacter, Severity::Warning, "warning"},
};

const DiagnosticRow& rowOf(DiagnosticKind kind) {
    for (const DiagnosticRow& row : kDiagnosticTable)
        if (row.kind == kind) return row;
    return kDiagnosticTable[0];
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The text of the line holding offset, and where that line starts.
std::string_view lineAt(std::string_view text, int offset, std::size_t& lineStart) {
    const std::size_t at = std::min(static_cast<std::size_t>(std::max(offset, 0)), text.size());
    const std::size_t before = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
    lineStart = before == std::string_view::npos ? 0 : before + 1;
    std::size_t end = text.find('\n', lineStart);
    if (end == std::string_view::npos) end = text.size();
    if (end > lineStart && text[end - 1] == '\r') --end;
    return text.substr(lineStart, end - lineStart);
}

} // namespace

Severity severityOf(DiagnosticKind kind) {
    return rowOf(kind).severity;
}

const char* headingOf(DiagnosticKind kind) {
    return rowOf(kind).heading;
}

FormulaPlace placeOf(std::string_view text, int offset) {
    FormulaPlace place;
    const std::size_t at = std::min(static_cast<std::size_t>(std::max(offset, 0)), text.size());
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++place.line;
            place.column = 1;
        } else if (!isContinuationByte(text[i])) {
            ++place.column;
        }
    }
    return place;
}

std::string diagnosticText(const FormulaDiagnostic& d) {
    std::string s = headingOf(d.kind);
    if (!d.detail.empty()) s += ": " + d.detail;
    return s;
}

std::string compilerStyle(std::string_view source, std::string_view text,
                          const FormulaDiagnostic& d) {
    const FormulaPlace place = placeOf(text, d.offset);
    std::string s = std::string(source) + ":" + std::to_string(place.line) + ":" +
                    std::to_string(place.column) + ": " + diagnosticText(d) + "\n";
    std::size_t lineStart = 0;
    const std::string_view line = lineAt(text, d.offset, lineStart);
    s += "    ";
    s.append(line);
    s += "\n    ";
    // tabs stay tabs so the caret lines up however the terminal shows them.
    const std::size_t caretAt = static_cast<std::size_t>(d.offset) - lineStart;
    for (std::size_t i = 0; i < caretAt && i < line.size(); ++i) {
        if (line[i] == '\t')
            s += '\t';
        else if (!isContinuationByte(line[i]))
            s += ' ';
    }
    s += '^';
    int marked = 1;
    for (std::size_t i = caretAt + 1;
         i < caretAt + static_cast<std::size_t>(d.length) && i < line.size(); ++i) {
        if (!isContinuationByte(line[i])) {
            s += '~';
            ++marked;
        }
    }
    (void)marked;
    s += '\n';
    return s;
}

std::string labelledText(std::string_view label, std::string_view text,
                         const FormulaDiagnostic& d) {
    const FormulaPlace place = placeOf(text, d.offset);
    std::string s = std::string(label) + ": " + headingOf(d.kind) + " at ";
    if (place.line > 1 || text.find('\n') != std::string_view::npos)
        s += "line " + std::to_string(place.line) + ", ";
    s += "column " + std::to_string(place.column);
    if (!d.detail.empty()) s += ": " + d.detail;
    return s;
}

const FormulaDiagnostic* firstError(const std::vector<FormulaDiagnostic>& diagnostics) {
    for (const FormulaDiagnostic& d : diagnostics)
        if (severityOf(d.kind) == Severity::Error) return &d;
    return nullptr;
}

} // namespace trevalin
