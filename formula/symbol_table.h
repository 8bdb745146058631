// names seen by one compile: the variables and the built-in functions, plus the unknown names and
// string literals the scanner meets. Look-up ignores ASCII letter case; the first entry made for a
// name stays.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace trevalin {

enum class SymbolKind : std::uint8_t { Variable, Function, String };

struct SymbolEntry {
    std::string name;
    SymbolKind kind;
    std::uint8_t code;           // variable slot or function code
    std::uint8_t dependencyKind; // bits a variable clears from the flags
};

class SymbolTable {
  public:
    const SymbolEntry* find(std::string_view name) const;
    // The existing entry, or a new one with code 0 and dependency kind 0.
    const SymbolEntry* enter(std::string_view name, SymbolKind kind);

  private:
    // The names this compile met that are not variables or built-in
    // functions; those are made once for every compile, as every formula of
    // a render is compiled when it starts. A deque keeps entry addresses
    // stable, since the parser holds them.
    std::deque<SymbolEntry> entered_;
};

} // namespace trevalin
