// The vocabulary rows against the compiler and interpreter built from them:
// every name the tables list is reachable, compiles to its own code, and the
// constants the scanner reads equal what their slots read at run time.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"
#include "formula/name_tables.h"

namespace trevalin {
namespace {

struct Code {
    int result = 0;
    std::int32_t flags = 0;
    std::uint8_t bytes[kCodeAreaSize];
};

Code compileText(const std::string& text) {
    Code c;
    c.result = compileFormulaText(text.c_str(), text.size() + 1, c.bytes, c.flags);
    return c;
}

std::string callWithArity(const char* name, int arity) {
    std::string text = std::string(name) + "(";
    for (int k = 0; k < arity; ++k)
        text += k ? ", x" : "x";
    return text + ")";
}

// Each function name, called with its arity, ends in its own operation and
// needs exactly that many operands (one fewer would leave a stack entry short).
TEST(Vocabulary, EveryFunctionNameCompilesToItsCode) {
    for (const FunctionName& f : kBuiltinFunctionTable) {
        const int arity = builtinArity(f.code);
        const Code c = compileText(callWithArity(f.name, arity));
        ASSERT_EQ(c.result, 0) << f.name;
        const int length = codeLength(c.bytes);
        ASSERT_GE(length, 3) << f.name;
        EXPECT_EQ(c.bytes[length - 3], kRecordOperation) << f.name;
        EXPECT_EQ(c.bytes[length - 2], f.code) << f.name;
        // The arguments are the arity's variable records, nothing more.
        EXPECT_EQ(length, 2 * arity + 3) << f.name;
        // Upper case finds the same entry.
        std::string upper = f.name;
        for (char& ch : upper)
            ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
        const Code u = compileText(callWithArity(upper.c_str(), arity));
        EXPECT_EQ(std::memcmp(u.bytes, c.bytes, static_cast<std::size_t>(length)), 0) << upper;
    }
}

// Each variable name compiles to its slot and clears its dependency bits.
TEST(Vocabulary, EveryVariableNameCompilesToItsSlot) {
    for (const VariableName& v : kVariableTable) {
        const Code c = compileText(v.name);
        ASSERT_EQ(c.result, 0) << v.name;
        EXPECT_EQ(c.bytes[0], kRecordVariable) << v.name;
        EXPECT_EQ(c.bytes[1], v.slot) << v.name;
        EXPECT_EQ(c.bytes[2], kRecordEnd) << v.name;
        EXPECT_EQ(c.flags, kDependencyFlagsStart & ~v.kind) << v.name;
        EXPECT_EQ(slotInfo(v.slot).reach, VariableReach::Name) << v.name;
    }
    // The flags words the three kinds of variable leave.
    EXPECT_EQ(compileText("jx").flags, 3);
    EXPECT_EQ(compileText("x").flags, 2);
    EXPECT_EQ(compileText("1 + 2").flags, 7);
    EXPECT_EQ(compileText("r").flags, 2);
}

// Letters and constants are not looked up, yet each names its slot: the letter
// compiles to the slot, the constant to a literal equal to the slot's read.
TEST(Vocabulary, LettersAndConstantsMatchTheirSlots) {
    int letters = 0, constants = 0;
    for (int slot = kSlotLiteral + 1; slot <= kLastSlot; ++slot) {
        const SlotInfo& info = slotInfo(static_cast<std::uint8_t>(slot));
        ASSERT_NE(info.name, nullptr) << slot;
        ASSERT_NE(info.help, nullptr) << slot;
        const Code c = compileText(info.name);
        ASSERT_EQ(c.result, 0) << info.name;
        if (info.reach == VariableReach::Letter) {
            ++letters;
            EXPECT_EQ(c.bytes[1], slot) << info.name;
        } else if (info.reach == VariableReach::Constant) {
            ++constants;
            ASSERT_EQ(c.bytes[1], kSlotLiteral) << info.name;
            const std::uint8_t read[] = {kRecordVariable, static_cast<std::uint8_t>(slot),
                                         kRecordEnd};
            FormulaContext ctx;
            const double atRunTime = evaluateFormula(ctx, read, FrameVariables{});
            const double literal = literalValue(c.bytes);
            EXPECT_EQ(std::memcmp(&atRunTime, &literal, sizeof literal), 0) << info.name;
        }
    }
    EXPECT_EQ(letters, 6);
    EXPECT_EQ(constants, 3);
}

// The words the scanner takes as operators are no function names.
TEST(Vocabulary, OperatorWordsAreNotCalls) {
    for (const char* word : {"and", "or", "mod", "xor"}) {
        EXPECT_NE(compileText(std::string(word) + "(x, y)").result, 0) << word;
        EXPECT_EQ(compileText(std::string("x ") + word + " y").result, 0) << word;
    }
}

} // namespace
} // namespace trevalin
