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

constexpr const char* kOperatorSpellings[] = {"+", "-", "*",  "/",  "&",  "|",  "^",   "**",
                                              "<", ">", "<=", ">=", "<>", "!=", "!MOD"};

} // namespace

SymbolTable::SymbolTable() {
    for (const char* spelling : kOperatorSpellings)
        enter(spelling, SymbolKind::OpName);
    for (const VariableName& v : kVariableTable) {
        if (findMutable(v.name)) continue;
        entries_.push_front(SymbolEntry{v.name, SymbolKind::Variable, v.slot, v.kind});
    }
    for (const FunctionName& f : kBuiltinFunctionTable) {
        // r, g, b, c, s, l are variables too: the variable entry keeps its kind and
        // only takes the function code. The scanner never looks those letters up.
        if (SymbolEntry* existing = findMutable(f.name)) {
            existing->code = f.code;
            continue;
        }
        entries_.push_front(SymbolEntry{f.name, SymbolKind::Function, f.code, 0});
    }
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
