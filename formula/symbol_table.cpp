#include "formula/symbol_table.h"

#include <vector>

#include "formula/name_tables.h"

namespace trevalin {
namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The variables and the built-in functions. The tables hold no name twice
// (name_tables.h checks), and a name is entered only when it is found
// nowhere, so no two entries of a compile share a name and the order of
// look-up does not matter.
const std::vector<SymbolEntry>& builtinEntries() {
    static const std::vector<SymbolEntry> entries = [] {
        std::vector<SymbolEntry> e;
        for (const VariableName& v : kVariableTable)
            e.push_back(SymbolEntry{v.name, SymbolKind::Variable, v.slot, v.kind});
        for (const FunctionName& f : kBuiltinFunctionTable)
            e.push_back(SymbolEntry{f.name, SymbolKind::Function, f.code, 0});
        return e;
    }();
    return entries;
}

} // namespace

const SymbolEntry* SymbolTable::find(std::string_view name) const {
    for (const SymbolEntry& e : entered_)
        if (sameName(e.name, name)) return &e;
    for (const SymbolEntry& e : builtinEntries())
        if (sameName(e.name, name)) return &e;
    return nullptr;
}

const SymbolEntry* SymbolTable::enter(std::string_view name, SymbolKind kind) {
    if (const SymbolEntry* existing = find(name)) return existing;
    entered_.push_back(SymbolEntry{std::string(name), kind, 0, 0});
    return &entered_.back();
}

} // namespace trevalin
