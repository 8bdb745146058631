// Help > Help Topics: a reference of the formula language built from the
// compiler's own name tables and operation table, so it cannot drift from
// what the compiler accepts.
#pragma once

#include <QString>
#include <cstdint>

namespace trevalin {

// An operator as the user writes it; example is a formula whose last emitted
// operation is code.
struct OperatorHelp {
    const char* spelling;
    const char* example;
    std::uint8_t code;
    int precedence;   // 1 binds loosest
    const char* note; // added to the operation's own help line, or null
};

extern const OperatorHelp kOperatorHelp[];
extern const int kOperatorHelpCount;

// names of the function table that can be called as name(...); the rows the
// scanner reads as operators or letters (and, mod, r, ...) are left out.
bool isCallableFunctionName(const char* name);

QString formulaReferenceHtml();

} // namespace trevalin
