// The byte-code vocabulary: record kinds, operation codes and variable slots.
// The compiler, the stack-depth check, the interpreter, the disassembler and the
// tests all read these tables, so a code is described in exactly one place.
#pragma once

#include <cstdint>

#include "formula/vocabulary.h"

namespace trevalin {

// Record kinds in the code area.
inline constexpr std::uint8_t kRecordEnd = 0x00;
inline constexpr std::uint8_t kRecordVariable = 0x56;  // "V"
inline constexpr std::uint8_t kRecordOperation = 0x4F; // "O"

// Variable slot 1 marks an inline 8-byte literal; slot 0 is an unknown name.
inline constexpr std::uint8_t kSlotUnknown = 0;
inline constexpr std::uint8_t kSlotLiteral = 1;
inline constexpr std::uint8_t kLastSlot = 33;

// A record is a kind byte and a code byte; a literal's 8 value bytes follow
// its header unaligned.
inline constexpr int kRecordHeaderSize = 2;
inline constexpr int kLiteralValueSize = 8;
inline constexpr int kLiteralRecordSize = kRecordHeaderSize + kLiteralValueSize; // "V", 1, double
static_assert(kLiteralValueSize == sizeof(double));
inline constexpr int kCodeAreaSize = 4096;
inline constexpr int kStackSize = 32;

// How an operation's result looks on the stack.
enum class ResultShape : std::uint8_t {
    Number,   // one slot
    Triple,   // three slots
    Operands, // a triple when any value operand is a triple (terp, terpt, ease)
    Inert,    // performs nothing and leaves its operands
};

enum class Op : std::uint8_t {
#define TREVALIN_OP_ENUM(code, Name, ...) Name = code,
    TREVALIN_BUILTINS(TREVALIN_OP_ENUM, TREVALIN_IGNORE, TREVALIN_OP_ENUM)
#undef TREVALIN_OP_ENUM
};

namespace detail {
constexpr int highestOpCode() {
    int highest = 0;
#define TREVALIN_HIGHEST_CODE(code, ...) highest = code > highest ? code : highest;
    TREVALIN_BUILTINS(TREVALIN_HIGHEST_CODE, TREVALIN_IGNORE, TREVALIN_HIGHEST_CODE)
#undef TREVALIN_HIGHEST_CODE
    return highest;
}
} // namespace detail

// The highest operation code in the table; a new row with the next code
// raises it, and everyCodeOnce below keeps 1..kLastOpCode free of gaps.
inline constexpr int kLastOpCode = detail::highestOpCode();

struct OpInfo {
    const char* name;    // enum spelling, for the disassembler; null for unused codes
    std::uint8_t args;   // values popped from the stack
    std::uint8_t values; // of those, how many are popped as whole values
    ResultShape shape;
    const char* help; // one line for the help window; null for unused codes
};

namespace detail {
constexpr auto makeOpInfo() {
    struct Table {
        OpInfo rows[kLastOpCode + 1];
    } t{};
    for (auto& row : t.rows)
        row = OpInfo{nullptr, 0, 0, ResultShape::Inert, nullptr};
#define TREVALIN_FN_INFO(code, Name, spelling, args, values, shape, fold, help)                    \
    t.rows[code] = OpInfo{#Name, args, values, ResultShape::shape, help};
#define TREVALIN_OP_INFO(code, Name, args, values, shape, fold, help)                              \
    t.rows[code] = OpInfo{#Name, args, values, ResultShape::shape, help};
    TREVALIN_BUILTINS(TREVALIN_FN_INFO, TREVALIN_IGNORE, TREVALIN_OP_INFO)
#undef TREVALIN_FN_INFO
#undef TREVALIN_OP_INFO
    return t;
}
inline constexpr auto kOpInfoTable = makeOpInfo();
} // namespace detail

// Description of operation code `code`; codes 0 and above kLastOpCode are
// inert no-ops.
constexpr const OpInfo& opInfo(std::uint8_t code) {
    return code <= kLastOpCode ? detail::kOpInfoTable.rows[code] : detail::kOpInfoTable.rows[0];
}

// How many values the built-in with operation code `code` takes in source
// order, e.g. 1 for sin, 6 for fbm, 0 for mandel; 0 for unused codes. For a
// name from the function-name table this is the number of arguments a call
// must pass to use every one (extra ones stay on the stack, missing ones read
// as 0).
constexpr int builtinArity(std::uint8_t code) {
    return opInfo(code).args;
}

namespace detail {
// Every code from 1 to kLastOpCode has exactly one row, and none lies beyond.
constexpr bool everyCodeOnce() {
    int seen[256] = {};
#define TREVALIN_COUNT_CODE(code, ...) ++seen[code];
    TREVALIN_BUILTINS(TREVALIN_COUNT_CODE, TREVALIN_IGNORE, TREVALIN_COUNT_CODE)
#undef TREVALIN_COUNT_CODE
    for (int code = 0; code < 256; ++code)
        if (seen[code] != (code >= 1 && code <= kLastOpCode ? 1 : 0)) return false;
    return true;
}
static_assert(everyCodeOnce(), "operation codes 1..kLastOpCode each need exactly one row");

// Value operands are a subset of the operands, and only Operands-shaped
// results depend on them.
constexpr bool valueOperandsConsistent() {
    for (const OpInfo& row : kOpInfoTable.rows) {
        if (row.values > row.args) return false;
        if ((row.values > 0) != (row.shape == ResultShape::Operands)) return false;
    }
    return true;
}
static_assert(valueOperandsConsistent());
} // namespace detail

// Dependency flags: a compile starts from kDependencyFlagsStart and each
// variable it uses clears its dependency bits. Afterwards kUsesNoVariable is
// still set when the formula reads no variable at all, kUsesNoPixelVariable
// when it reads none besides jx and jy; bit 1 is never cleared.
inline constexpr std::uint8_t kUsesNoPixelVariable = 1;
inline constexpr std::uint8_t kUsesNoVariable = 4;
inline constexpr std::uint8_t kDependencyFlagsStart = 7;
// A variable's dependency bits.
inline constexpr std::uint8_t kDependsOnPixel = kUsesNoVariable | kUsesNoPixelVariable;
inline constexpr std::uint8_t kDependsOnParameter = kUsesNoVariable; // jx, jy
inline constexpr std::uint8_t kDependsOnNothing = 0;
static_assert(kDependsOnPixel == 5 && kDependsOnParameter == 4 && kDependencyFlagsStart == 7,
              "callers test these bits of the flags word");

// How the scanner reaches a variable row (see vocabulary.h).
enum class VariableReach : std::uint8_t { Name, Letter, Constant };

// Variable slots, as the byte code names them.
enum class Slot : std::uint8_t {
#define TREVALIN_SLOT_ENUM(Name, slot, ...) Name = slot,
    TREVALIN_VARIABLES(TREVALIN_SLOT_ENUM)
#undef TREVALIN_SLOT_ENUM
};

struct SlotInfo {
    const char* name; // as written in formulas; null for slots 0 and 1
    std::uint8_t dependency;
    VariableReach reach;
    const char* help;
};

namespace detail {
constexpr auto makeSlotInfo() {
    struct Table {
        SlotInfo rows[kLastSlot + 1];
    } t{};
    for (auto& row : t.rows)
        row = SlotInfo{nullptr, 0, VariableReach::Name, nullptr};
#define TREVALIN_SLOT_INFO(Name, slot, spelling, dependency, reach, value, help)                   \
    t.rows[slot] = SlotInfo{spelling, dependency, VariableReach::reach, help};
    TREVALIN_VARIABLES(TREVALIN_SLOT_INFO)
#undef TREVALIN_SLOT_INFO
    return t;
}
inline constexpr auto kSlotInfoTable = makeSlotInfo();

// Slots 2 .. kLastSlot each have exactly one row.
constexpr bool everySlotOnce() {
    int seen[256] = {};
#define TREVALIN_COUNT_SLOT(Name, slot, ...) ++seen[slot];
    TREVALIN_VARIABLES(TREVALIN_COUNT_SLOT)
#undef TREVALIN_COUNT_SLOT
    for (int slot = 0; slot < 256; ++slot)
        if (seen[slot] != (slot > kSlotLiteral && slot <= kLastSlot ? 1 : 0)) return false;
    return true;
}
static_assert(everySlotOnce(), "variable slots 2..kLastSlot each need exactly one row");
} // namespace detail

// Description of variable slot `slot`; slots 0, 1 and above kLastSlot have no name.
constexpr const SlotInfo& slotInfo(std::uint8_t slot) {
    return slot <= kLastSlot ? detail::kSlotInfoTable.rows[slot] : detail::kSlotInfoTable.rows[0];
}

} // namespace trevalin
