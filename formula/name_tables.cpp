#include "formula/name_tables.h"

#include "formula/opcodes.h"

namespace trevalin {
namespace {
constexpr std::uint8_t op(Op o) {
    return static_cast<std::uint8_t>(o);
}
constexpr std::uint8_t slot(Slot s) {
    return static_cast<std::uint8_t>(s);
}
} // namespace

const FunctionName kBuiltinFunctionTable[kFunctionNameCount] = {
    {"int", op(Op::Int)},         {"sqrt", op(Op::Sqrt)},         {"log", op(Op::Log)},
    {"log10", op(Op::Log10)},     {"abs", op(Op::Abs)},           {"fabs", op(Op::Abs)},
    {"sign", op(Op::Sign)},       {"exp", op(Op::Exp)},           {"cos", op(Op::Cos)},
    {"sin", op(Op::Sin)},         {"tan", op(Op::Tan)},           {"acos", op(Op::Acos)},
    {"asin", op(Op::Asin)},       {"atan", op(Op::Atan)},         {"cosh", op(Op::Cosh)},
    {"sinh", op(Op::Sinh)},       {"tanh", op(Op::Tanh)},         {"sin2", op(Op::Sin2)},
    {"cos2", op(Op::Cos2)},       {"sin3", op(Op::Sin3)},         {"cos3", op(Op::Cos3)},
    {"mandel", op(Op::Mandel)},   {"mand", op(Op::Mandel)},       {"man3", op(Op::Man3)},
    {"manc", op(Op::Manc)},       {"mcpm", op(Op::Manc)},         {"julia", op(Op::Julia)},
    {"zebra", op(Op::Zebra)},     {"dragon", op(Op::Dragon)},     {"fbm", op(Op::Fbm)},
    {"gturb3d", op(Op::Gturb3d)}, {"gnoise3d", op(Op::Gnoise3d)}, {"fib", op(Op::Fib)},
    {"prime", op(Op::Prime)},     {"noise", op(Op::Noise)},       {"noise3d", op(Op::Noise3d)},
    {"turb", op(Op::Turb)},       {"turb3d", op(Op::Turb3d)},     {"cond", op(Op::Cond)},
    {"angle", op(Op::Angle)},     {"terp", op(Op::Terp)},         {"terpt", op(Op::Terpt)},
    {"ease", op(Op::Ease)},       {"linen", op(Op::Linen)},       {"linenr", op(Op::Linenr)},
    {"limit", op(Op::Limit)},     {"mod", op(Op::Mod)},           {"xor", op(Op::Xor)},
    {"and", op(Op::BitAnd)},      {"or", op(Op::BitOr)},          {"not", op(Op::Not)},
    {"pow2", op(Op::Pow2)},       {"pow", op(Op::Pow)},           {"red", op(Op::Red)},
    {"r", op(Op::Red)},           {"green", op(Op::Green)},       {"g", op(Op::Green)},
    {"grn", op(Op::Green)},       {"blue", op(Op::Blue)},         {"b", op(Op::Blue)},
    {"blu", op(Op::Blue)},        {"c", op(Op::HueAt)},           {"s", op(Op::SaturationAt)},
    {"l", op(Op::LargestAt)},     {"distance", op(Op::Distance)}, {"dist", op(Op::Distance)},
    {"sample", op(Op::Sample)},   {"samp", op(Op::Sample)},       {"samptile", op(Op::SampleTile)},
    {"rgb", op(Op::Rgb)},         {"triple", op(Op::Rgb)},        {"hsv", op(Op::Hsv)},
};

const VariableName kVariableTable[kVariableNameCount] = {
    {"t", slot(Slot::T), 5},     {"x", slot(Slot::X), 5},      {"y", slot(Slot::Y), 5},
    {"w", slot(Slot::W), 5},     {"h", slot(Slot::H), 5},      {"a", slot(Slot::A), 5},
    {"d", slot(Slot::D), 5},     {"i", slot(Slot::I), 5},      {"n", slot(Slot::N), 5},
    {"fw", slot(Slot::Fw), 5},   {"fh", slot(Slot::Fh), 5},    {"jx", slot(Slot::Jx), 4},
    {"jy", slot(Slot::Jy), 4},   {"px", slot(Slot::Px), 5},    {"py", slot(Slot::Py), 5},
    {"pw", slot(Slot::Pw), 5},   {"ph", slot(Slot::Ph), 5},    {"cx", slot(Slot::Cx), 5},
    {"cy", slot(Slot::Cy), 5},   {"sx", slot(Slot::Sx), 5},    {"sy", slot(Slot::Sy), 5},
    {"sz", slot(Slot::Sz), 5},   {"?", slot(Slot::Random), 5}, {"r", slot(Slot::R), 5},
    {"g", slot(Slot::G), 5},     {"b", slot(Slot::B), 5},      {"c", slot(Slot::C), 5},
    {"s", slot(Slot::S), 5},     {"l", slot(Slot::L), 5},      {"pi", slot(Slot::Pi), 0},
    {"pi2", slot(Slot::Pi2), 0}, {"e", slot(Slot::E), 0},
};

} // namespace trevalin
