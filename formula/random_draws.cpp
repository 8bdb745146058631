#include "formula/random_draws.h"

#include "formula/code_walk.h"

namespace trevalin {

int randomDrawsPerRun(const std::uint8_t* code) {
    int draws = 0;
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        if (code[pos] == kRecordVariable &&
            code[pos + 1] == static_cast<std::uint8_t>(Slot::Random))
            ++draws;
    }
    return draws;
}

bool usesGradientNoise(const std::uint8_t* code) {
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        if (code[pos] != kRecordOperation) continue;
        const std::uint8_t op = code[pos + 1];
        if (op == static_cast<std::uint8_t>(Op::Gnoise3d) ||
            op == static_cast<std::uint8_t>(Op::Gturb3d) ||
            op == static_cast<std::uint8_t>(Op::Fbm))
            return true;
    }
    return false;
}

} // namespace trevalin
