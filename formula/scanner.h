// The formula scanner: longest match at each position, the earlier rule winning
// a tie, letter case ignored. Unknown names and string literals are entered in
// the symbol table as they are met.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
};

class Scanner {
  public:
    // Scans a private copy of text, up to its NUL or maxLength characters.
    Scanner(const char* text, std::size_t maxLength, SymbolTable& symbols);

    Token next();

  private:
    std::string text_;
    std::size_t pos_ = 0;
    SymbolTable& symbols_;
};

} // namespace trevalin
