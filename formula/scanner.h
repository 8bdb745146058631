// The formula scanner: longest match at each position, the earlier rule winning
// a tie, letter case ignored. Unknown names and string literals are entered in
// the symbol table as they are met.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/diagnostics.h"
#include "formula/symbol_table.h"

namespace trevalin {

enum class TokenType : std::uint8_t {
    End,
    Number,   // number: literal, pi, pi2, e
    String,   // entry: the literal with its quotes
    Variable, // entry: a variable, "?", or an unknown name (slot 0)
    Function, // entry
    Compare,  // code: the comparison's operation code
    LogAnd,
    LogOr,
    BitAnd,
    BitOr,
    Xor,
    Mod,
    Pow,
    Char, // ch: one of ( ) + - * / , [ ] ~ ! and the letters r g b c s l
};

struct Token {
    TokenType type = TokenType::End;
    double number = 0.0;
    const SymbolEntry* entry = nullptr;
    std::uint8_t code = 0;
    char ch = 0;
    int begin = 0; // where the token's text lies in the formula, in bytes
    int end = 0;
    bool unknownName = false; // a name no table knows, read as slot 0
};

// A number with letters glued to it (1e3, 2x) always ends in a parse error at
// the token after the number; the explanation waits here for that error.
struct GluedNumber {
    int tokenBegin; // where the token after the number starts
    int begin, end; // the number and its letters
    std::string detail;
};

class Scanner {
  public:
    // Scans a private copy of text, up to its NUL or maxLength characters.
    // Skipped characters and first uses of unknown names are noted as warnings
    // in notes.
    Scanner(const char* text, std::size_t maxLength, SymbolTable& symbols,
            std::vector<FormulaDiagnostic>& notes);

    Token next();

    std::string_view text() const { return text_; }
    std::string_view textOf(const Token& t) const {
        return std::string_view(text_).substr(static_cast<std::size_t>(t.begin),
                                              static_cast<std::size_t>(t.end - t.begin));
    }
    // The glued number whose letters start the token at offset, or null.
    const GluedNumber* gluedBefore(int offset) const;

  private:
    Token scan();
    void noteGluedNumber(std::size_t start, std::size_t end);
    void noteSkipped(std::size_t from, std::size_t to);

    std::string text_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    SymbolTable& symbols_;
    std::vector<FormulaDiagnostic>& notes_;
    std::vector<GluedNumber> glued_;
};

} // namespace trevalin
