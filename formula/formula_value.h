// What a formula yields: one number, or a colour triple.
#pragma once

#include <cstdint>

namespace trevalin {

struct FormulaValue {
    double first;  // the number, or the triple's first component
    double second; // equal to first for a number
    double third;  // equal to first for a number
    std::int32_t isTriple;
};

inline FormulaValue numberValue(double v) {
    return FormulaValue{v, v, v, 0};
}
inline FormulaValue tripleValue(double a, double b, double c) {
    return FormulaValue{a, b, c, 1};
}

} // namespace trevalin
