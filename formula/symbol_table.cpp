#include "formula/symbol_table.h"

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

} // namespace

SymbolTable::SymbolTable() {
    // The tables hold no name twice (name_tables.h checks), so each row makes
    // its own entry.
    for (const VariableName& v : kVariableTable)
        entries_.push_front(SymbolEntry{v.name, SymbolKind::Variable, v.slot, v.kind});
    for (const FunctionName& f : kBuiltinFunctionTable)
        entries_.push_front(SymbolEntry{f.name, SymbolKind::Function, f.code, 0});
}

SymbolEntry* SymbolTable::findMutable(std::string_view name) {
    for (SymbolEntry& e : entries_)
        if (sameName(e.name, name)) return &e;
    return nullptr;
}

const SymbolEntry* SymbolTable::find(std::string_view name) const {
    for (const SymbolEntry& e : entries_)
        if (sameName(e.name, name)) return &e;
    return nullptr;
}

const SymbolEntry* SymbolTable::enter(std::string_view name, SymbolKind kind) {
    if (SymbolEntry* existing = findMutable(name)) return existing;
    entries_.push_front(SymbolEntry{std::string(name), kind, 0, 0});
    return &entries_.front();
}

} // namespace trevalin
