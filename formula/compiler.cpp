#include "formula/compiler.h"

#include <cstdio>
#include <new>

#include "formula/compile_state.h"
#include "formula/stack_depth.h"

namespace trevalin {
namespace {
// The message of the last failure, kept until the next compile.
char gLastMessage[128];
} // namespace

int compileFormulaText(const char* text, std::size_t maxLength, std::uint8_t* code,
                       std::int32_t& flags) {
    gLastMessage[0] = '\0';
    code[0] = kRecordEnd; // a compile that fails before emitting anything is empty
    bool failed = false;
    std::uint32_t dependencyFlags = kDependencyFlagsStart;
    try {
        CompileState state(text, maxLength, code);
        parseFormula(state);
        dependencyFlags = state.dependencyFlags;
        if (state.failed) {
            failed = true;
            std::snprintf(gLastMessage, sizeof gLastMessage, "%s", state.message.c_str());
        } else if (maxStackDepth(code) > kStackSize) {
            failed = true;
            std::snprintf(gLastMessage, sizeof gLastMessage, "formula too complex");
        }
    } catch (const std::bad_alloc&) {
        failed = true;
        std::snprintf(gLastMessage, sizeof gLastMessage, "out of memory");
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

} // namespace trevalin
