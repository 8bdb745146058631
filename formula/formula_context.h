// The interpreter's working memory, one per document: the value stack and the
// state some built-in functions keep between runs (fractal memo, iteration
// limit, value-noise tables).
#pragma once

#include <cstdint>

#include "formula/opcodes.h"

namespace trevalin {

inline constexpr int kNoiseTableSize = 256;
inline constexpr std::int32_t kMinIterationLimit = 64;

struct FormulaContext {
    std::int32_t stackTop = 0; // occupied slots; the next value goes to stack[stackTop]
    double stack[kStackSize];
    // 1 on the top slot of a colour triple. A triple lies third component
    // lowest, first component on top.
    std::uint8_t tripleMark[kStackSize];

    // One memo entry shared by the fractal functions: the last point iterated
    // and its results (count for mandel/man3/julia/dragon, value for manc).
    std::int32_t memoCount = 0;
    double memoValue = 0.0;
    double memoX = -2.0;
    double memoY = -2.0;
    std::int32_t iterationLimit = kMinIterationLimit;

    std::int32_t noiseT0[kNoiseTableSize];
    std::int32_t noiseT1[kNoiseTableSize];
    std::int32_t noiseT2[kNoiseTableSize];

    double fractalStart = 0.0; // both components of z0 in mandel, manc, man3
    double twoPi = 6.283185307179586;
    double eulerE = 2.718281828459045;

    // Resets the process-wide RandomState to 1 and fills the noise tables from
    // its next 768 draws, so every context gets the same tables.
    FormulaContext();

    // The fractal iteration limit; values below 64 store 64.
    void setIterationLimit(std::int32_t n) {
        iterationLimit = n < kMinIterationLimit ? kMinIterationLimit : n;
    }
};

} // namespace trevalin
