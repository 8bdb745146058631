// Fuzz target for the formula compiler and interpreter. Properties checked on
// every input: the compile returns 0 or 1; the code area always holds an End
// byte after its last complete record; a successful code fits the stack; and
// running it on hostile variable values stays within the stack.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"
#include "formula/stack_depth.h"

using namespace trevalin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FormulaSlot slot;
    static FormulaContext context;
    const std::size_t n = size < sizeof slot.text - 1 ? size : sizeof slot.text - 1;
    std::memcpy(slot.text, data, n);
    slot.text[n] = '\0';
    std::memset(slot.code, 0xEE, sizeof slot.code);

    const int result = compileFormula(slot);
    if (result != 0 && result != 1) std::abort();
    const int length = codeLength(slot.code);
    if (length > kCodeAreaSize || slot.code[length - 1] != kRecordEnd) std::abort();
    if (result == 1) {
        if (slot.code[0] != kRecordEnd || lastCompileError()[0] == '\0') std::abort();
        return 0;
    }
    if (maxStackDepth(slot.code) > kStackSize) std::abort();

    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0, 0.5, -1e300, inf, -inf, std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        FrameVariables vars{};
        vars.x = vars.y = vars.t = vars.jx = vars.jy = vars.cx = v;
        vars.pw = vars.ph = vars.fw = vars.fh = 16;
        vars.px = vars.py = 3;
        runFormula(context, slot.code, vars);
        if (context.stackTop != 0) std::abort();
    }
    return 0;
}
