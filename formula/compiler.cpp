#include "formula/compiler.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "formula/compile_state.h"
#include "formula/stack_depth.h"

namespace trevalin {
namespace {
// The message of the last failure, kept until the next compile.
char gLastMessage[128];
std::vector<FormulaDiagnostic> gLastDiagnostics;
} // namespace

int compileFormulaText(const char* text, std::size_t maxLength, std::uint8_t* code,
                       std::int32_t& flags) {
    gLastMessage[0] = '\0';
    gLastDiagnostics.clear();
    code[0] = kRecordEnd; // a compile that fails before emitting anything is empty
    bool failed = false;
    std::uint32_t dependencyFlags = kDependencyFlagsStart;
    try {
        CompileState state(text, maxLength, code);
        parseFormula(state);
        dependencyFlags = state.dependencyFlags;
        if (!state.failed && maxStackDepth(code) > kStackSize) {
            state.fail(DiagnosticKind::TooComplex, 0, static_cast<int>(strnlen(text, maxLength)),
                       "it needs more than " + std::to_string(kStackSize) +
                           " values on the stack at once");
        }
        if (state.failed) {
            failed = true;
            std::snprintf(gLastMessage, sizeof gLastMessage, "%s", state.message.c_str());
        }
        gLastDiagnostics = std::move(state.diagnostics);
        std::stable_sort(gLastDiagnostics.begin(), gLastDiagnostics.end(),
                         [](const FormulaDiagnostic& a, const FormulaDiagnostic& b) {
                             return a.offset < b.offset;
                         });
    } catch (const std::bad_alloc&) {
        failed = true;
        std::snprintf(gLastMessage, sizeof gLastMessage, "out of memory");
        gLastDiagnostics.clear();
        gLastDiagnostics.push_back(FormulaDiagnostic{DiagnosticKind::OutOfMemory, 0, 0, {}});
    }
    // Whatever was emitted before the error is dropped: the code stays runnable.
    if (failed) code[0] = kRecordEnd;
    flags = static_cast<std::int32_t>(dependencyFlags);
    return failed ? 1 : 0;
}

int compileFormula(FormulaSlot& slot) {
    return compileFormulaText(slot.text, sizeof slot.text, slot.code, slot.flags);
}

const char* lastCompileError() {
    return gLastMessage;
}

const std::vector<FormulaDiagnostic>& lastCompileDiagnostics() {
    return gLastDiagnostics;
}

FormulaCheck checkFormula(const std::string& text) {
    static std::uint8_t scratch[kCodeAreaSize];
    std::int32_t flags = 0;
    FormulaCheck check;
    check.failed = compileFormulaText(text.c_str(), kFormulaTextSize - 1, scratch, flags) != 0;
    check.diagnostics = lastCompileDiagnostics();
    return check;
}

} // namespace trevalin
