// Turns the parser's bare "syntax error" into a message with a place: the token
// it could not take, what it expected there, and for the common slips (a
// misspelt function, a number glued to a name, two values side by side) what
// to write instead.
#include <algorithm>

#include "formula/compile_state.h"
#include "formula/diagnostic_details.h"

namespace trevalin {
namespace {

bool isChar(const Token& t, char c) {
    return t.type == TokenType::Char && t.ch == c;
}

bool isLetterToken(const Token& t) {
    return t.type == TokenType::Char &&
           std::string_view("rgbcsl").find(t.ch) != std::string_view::npos;
}

bool endsValue(const Token& t) {
    return t.type == TokenType::Number || t.type == TokenType::String ||
           t.type == TokenType::Variable || isChar(t, ')') || isChar(t, ']') || isLetterToken(t);
}

bool startsValue(const Token& t) {
    return t.type == TokenType::Number || t.type == TokenType::String ||
           t.type == TokenType::Variable || t.type == TokenType::Function || isChar(t, '(') ||
           isChar(t, '~') || isLetterToken(t);
}

std::string describe(const Scanner& scanner, const Token& t) {
    const std::string text(scanner.textOf(t));
    switch (t.type) {
    case TokenType::End: return "end of formula";
    case TokenType::Number: return "number '" + text + "'";
    case TokenType::String: return "string " + text;
    case TokenType::Variable:
    case TokenType::Function: return "name '" + text + "'";
    default: return "'" + text + "'";
    }
}

// The unknown-name warning for the token at offset says less than the error
// that replaces it.
void dropNameWarning(CompileState& state, int offset) {
    auto& d = state.diagnostics;
    d.erase(std::remove_if(d.begin(), d.end(),
                           [offset](const FormulaDiagnostic& n) {
                               return n.kind == DiagnosticKind::UnknownName && n.offset == offset;
                           }),
            d.end());
}

} // namespace

void reportSyntaxError(CompileState& state, unsigned expected) {
    const Scanner& scanner = state.scanner;
    const Token& at = state.lookahead;
    const Token& before = state.previous;
    const int length = at.end - at.begin;
    const DiagnosticKind kind = DiagnosticKind::ParseError;

    if (const GluedNumber* g = scanner.gluedBefore(at.begin)) {
        dropNameWarning(state, at.begin);
        state.fail(kind, g->begin, g->end - g->begin, g->detail);
        return;
    }
    if (isChar(at, '(') && before.type == TokenType::Variable) {
        dropNameWarning(state, before.begin);
        state.fail(kind, before.begin, before.end - before.begin,
                   notAFunctionDetail(scanner.textOf(before),
                                      !before.unknownName && before.entry->code != 0));
        return;
    }
    if (isChar(at, '(') && isLetterToken(before)) {
        const std::string letter(1, before.ch);
        state.fail(kind, before.begin, at.end - before.begin,
                   "'" + letter + "' takes square brackets: " + letter + "[x, y]");
        return;
    }
    if (before.type == TokenType::Function && !isChar(at, '(')) {
        const std::string name(scanner.textOf(before));
        state.fail(kind, before.begin, before.end - before.begin,
                   "'" + name + "' is a function: write " + name + "(...)");
        return;
    }
    const bool operatorWord = (at.type == TokenType::LogAnd || at.type == TokenType::LogOr ||
                               at.type == TokenType::Xor || at.type == TokenType::Mod) &&
                              length > 1 && scanner.textOf(at)[0] != '&' &&
                              scanner.textOf(at)[0] != '|';
    if (operatorWord && !endsValue(before)) {
        const std::string word(scanner.textOf(at));
        state.fail(kind, at.begin, length,
                   "'" + word + "' is an operator, not a function: write a " + word + " b");
        return;
    }
    // Before the first token the parser has already settled for an empty
    // formula; what it could have taken is a value.
    if (state.tokensRead == 1 && expected == kExpectEnd) expected |= kExpectValue;
    if (isChar(at, '!')) {
        state.fail(kind, at.begin, length, "there is no '!' operator: write not(...)");
        return;
    }
    std::string detail = "unexpected " + describe(scanner, at);
    if (endsValue(before) && startsValue(at)) {
        dropNameWarning(state, at.begin);
        detail += ": two values side by side need an operator between them";
    } else if ((isChar(at, ')') || isChar(at, ']')) && expected == kExpectEnd) {
        detail += " with nothing open to close";
    } else if (const std::string e = expectedPhrase(expected); !e.empty()) {
        detail += ", expected " + e;
    }
    state.fail(kind, at.begin, length, detail);
}

} // namespace trevalin
