// A call with more or fewer values than its function takes still compiles to
// the same code (the interpreter simply uses the stack as it finds it), so the
// mismatch is only a warning.
#include "formula/compile_state.h"
#include "formula/diagnostic_details.h"
#include "formula/opcodes.h"

namespace trevalin {

void checkArgumentCount(CompileState& state, const SymbolEntry& function, int given, int begin,
                        int end) {
    const int takes = opInfo(function.code).args;
    if (given == takes) return;
    state.warn(DiagnosticKind::ArgumentCount, begin, end - begin,
               argumentCountDetail(function.name, takes, given));
}

} // namespace trevalin
