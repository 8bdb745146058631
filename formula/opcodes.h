// The byte-code vocabulary: record kinds, operation codes and variable slots.
// The compiler, the stack-depth check, the interpreter, the disassembler and the
// tests all read these tables, so a code is described in exactly one place.
#pragma once

#include <cstdint>

namespace trevalin {

// Record kinds in the code area.
inline constexpr std::uint8_t kRecordEnd = 0x00;
inline constexpr std::uint8_t kRecordVariable = 0x56;  // "V"
inline constexpr std::uint8_t kRecordOperation = 0x4F; // "O"

// Variable slot 1 marks an inline 8-byte literal; slot 0 is an unknown name.
inline constexpr std::uint8_t kSlotUnknown = 0;
inline constexpr std::uint8_t kSlotLiteral = 1;
inline constexpr std::uint8_t kLastSlot = 33;

inline constexpr int kLiteralRecordSize = 10; // "V", 1, double
inline constexpr int kCodeAreaSize = 4096;
inline constexpr int kStackSize = 32;

// How an operation's result looks on the stack.
enum class ResultShape : std::uint8_t {
    Number,   // one slot
    Triple,   // three slots
    Operands, // a triple when any value operand is a triple (terp, terpt, ease)
    Inert,    // performs nothing and leaves its operands
};

// X(code, Name, stack operands, value operands, result shape)
// Value operands are popped as whole values (a triple stays a triple); the rest
// are popped as numbers. Value operands are always the first ones in source order.
#define TREVALIN_OPCODES(X)                                                                        \
    X(1, Int, 1, 0, Number)                                                                        \
    X(2, Sqrt, 1, 0, Number)                                                                       \
    X(3, Log, 1, 0, Number)                                                                        \
    X(4, Log10, 1, 0, Number)                                                                      \
    X(5, Abs, 1, 0, Number)                                                                        \
    X(6, Sign, 1, 0, Number)                                                                       \
    X(7, Exp, 1, 0, Number)                                                                        \
    X(8, Cos, 1, 0, Number)                                                                        \
    X(9, Sin, 1, 0, Number)                                                                        \
    X(10, Tan, 1, 0, Number)                                                                       \
    X(11, Acos, 1, 0, Number)                                                                      \
    X(12, Asin, 1, 0, Number)                                                                      \
    X(13, Atan, 1, 0, Number)                                                                      \
    X(14, Cosh, 1, 0, Number)                                                                      \
    X(15, Sinh, 1, 0, Number)                                                                      \
    X(16, Tanh, 1, 0, Number)                                                                      \
    X(17, Sin2, 1, 0, Number)                                                                      \
    X(18, Cos2, 1, 0, Number)                                                                      \
    X(19, Sin3, 1, 0, Number)                                                                      \
    X(20, Cos3, 1, 0, Number)                                                                      \
    X(21, Mandel, 0, 0, Number)                                                                    \
    X(22, Manc, 0, 0, Number)                                                                      \
    X(23, Man3, 0, 0, Number)                                                                      \
    X(24, Julia, 0, 0, Number)                                                                     \
    X(25, Zebra, 4, 0, Number)                                                                     \
    X(26, Noise, 2, 0, Number)                                                                     \
    X(27, Turb, 2, 0, Number)                                                                      \
    X(28, Noise3d, 3, 0, Number)                                                                   \
    X(29, Turb3d, 3, 0, Number)                                                                    \
    X(30, Dragon, 0, 0, Number)                                                                    \
    X(31, Fbm, 6, 0, Number)                                                                       \
    X(32, Gturb3d, 3, 0, Number)                                                                   \
    X(33, Gnoise3d, 3, 0, Number)                                                                  \
    X(34, Cond, 3, 0, Number)                                                                      \
    X(35, Angle, 2, 0, Number)                                                                     \
    X(36, Distance, 2, 0, Number)                                                                  \
    X(37, Fib, 1, 0, Number)                                                                       \
    X(38, Prime, 1, 0, Number)                                                                     \
    X(39, Terp, 2, 2, Operands)                                                                    \
    X(40, Terpt, 3, 2, Operands)                                                                   \
    X(41, Ease, 1, 1, Operands)                                                                    \
    X(42, Linen, 4, 0, Number)                                                                     \
    X(43, Linenr, 4, 0, Number)                                                                    \
    X(44, Limit, 3, 0, Number)                                                                     \
    X(45, Negate, 1, 0, Number)                                                                    \
    X(46, Not, 1, 0, Number)                                                                       \
    X(47, Complement, 1, 0, Number)                                                                \
    X(48, Pow, 2, 0, Number)                                                                       \
    X(49, Pow2, 1, 0, Number)                                                                      \
    X(50, Multiply, 2, 0, Number)                                                                  \
    X(51, Divide, 2, 0, Number)                                                                    \
    X(52, Mod, 2, 0, Number)                                                                       \
    X(53, Add, 2, 0, Number)                                                                       \
    X(54, Subtract, 2, 0, Number)                                                                  \
    X(55, BitAnd, 2, 0, Number)                                                                    \
    X(56, BitOr, 2, 0, Number)                                                                     \
    X(57, Xor, 2, 0, Number)                                                                       \
    X(58, Equal, 2, 0, Number)                                                                     \
    X(59, Greater, 2, 0, Number)                                                                   \
    X(60, Less, 2, 0, Number)                                                                      \
    X(61, GreaterEqual, 2, 0, Number)                                                              \
    X(62, LessEqual, 2, 0, Number)                                                                 \
    X(63, NotEqual, 2, 0, Number)                                                                  \
    X(64, LogicalAnd, 2, 0, Number)                                                                \
    X(65, LogicalOr, 2, 0, Number)                                                                 \
    X(66, LargestAt, 0, 0, Inert)                                                                  \
    X(67, Red, 2, 0, Number)                                                                       \
    X(68, Green, 2, 0, Number)                                                                     \
    X(69, Blue, 2, 0, Number)                                                                      \
    X(70, HueAt, 0, 0, Inert)                                                                      \
    X(71, SaturationAt, 0, 0, Inert)                                                               \
    X(72, Sample, 2, 0, Triple)                                                                    \
    X(73, SampleTile, 2, 0, Triple)                                                                \
    X(74, Rgb, 3, 0, Triple)                                                                       \
    X(75, Hsv, 3, 0, Triple)

enum class Op : std::uint8_t {
#define TREVALIN_OP_ENUM(code, name, args, values, shape) name = code,
    TREVALIN_OPCODES(TREVALIN_OP_ENUM)
#undef TREVALIN_OP_ENUM
};

inline constexpr int kLastOpCode = 75;

struct OpInfo {
    const char* name;    // enum spelling, for the disassembler; null for unused codes
    std::uint8_t args;   // values popped from the stack
    std::uint8_t values; // of those, how many are popped as whole values
    ResultShape shape;
};

namespace detail {
constexpr auto makeOpInfo() {
    struct Table {
        OpInfo rows[kLastOpCode + 1];
    } t{};
    for (auto& row : t.rows)
        row = OpInfo{nullptr, 0, 0, ResultShape::Inert};
#define TREVALIN_OP_INFO(code, name, args, values, shape)                                          \
    t.rows[code] = OpInfo{#name, args, values, ResultShape::shape};
    TREVALIN_OPCODES(TREVALIN_OP_INFO)
#undef TREVALIN_OP_INFO
    return t;
}
inline constexpr auto kOpInfoTable = makeOpInfo();
} // namespace detail

// Description of operation code `code`; codes 0 and above 75 are inert no-ops.
constexpr const OpInfo& opInfo(std::uint8_t code) {
    return code <= kLastOpCode ? detail::kOpInfoTable.rows[code] : detail::kOpInfoTable.rows[0];
}

// Variable slots, as the byte code names them.
enum class Slot : std::uint8_t {
    T = 2,
    Random = 3,
    X = 4,
    Y = 5,
    W = 6,
    H = 7,
    A = 8,
    D = 9,
    I = 10,
    N = 11,
    Fw = 12,
    Fh = 13,
    Jx = 14,
    Jy = 15,
    Px = 16,
    Py = 17,
    Pw = 18,
    Ph = 19,
    Cx = 20,
    Cy = 21,
    Sx = 22,
    Sy = 23,
    Sz = 24,
    R = 25,
    G = 26,
    B = 27,
    C = 28,
    S = 29,
    L = 30,
    E = 31,
    Pi = 32,
    Pi2 = 33,
};

} // namespace trevalin
