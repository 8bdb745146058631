// trevalin-formula: compiles one formula and prints its code.
#include <cstdio>
#include <cstring>

#include "formula/code_walk.h"
#include "formula/compiler.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: trevalin-formula [--code] FORMULA\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool showCode = false;
    const char* formula = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--code") == 0)
            showCode = true;
        else if (!formula)
            formula = argv[i];
        else
            return usage();
    }
    if (!formula) return usage();

    static trevalin::FormulaSlot slot;
    if (std::strlen(formula) >= sizeof slot.text) {
        std::fprintf(stderr, "trevalin-formula: formula longer than %zu characters\n",
                     sizeof slot.text - 1);
        return 1;
    }
    trevalin::setFormulaText(slot, formula);
    if (trevalin::compileFormula(slot) != 0) {
        std::fprintf(stderr, "%s\n", trevalin::lastCompileError());
        return 1;
    }
    if (showCode) {
        const int length = trevalin::codeLength(slot.code);
        for (int i = 0; i < length; ++i) std::printf("%02x", slot.code[i]);
        std::printf("\nflags %d\n", static_cast<int>(slot.flags));
    }
    return 0;
}
