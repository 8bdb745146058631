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

namespace {

bool isGradientCall(const std::uint8_t* record) {
    if (record[0] != kRecordOperation) return false;
    const std::uint8_t op = record[1];
    return op == static_cast<std::uint8_t>(Op::Gnoise3d) ||
           op == static_cast<std::uint8_t>(Op::Gturb3d) || op == static_cast<std::uint8_t>(Op::Fbm);
}

} // namespace

bool usesGradientNoise(const std::uint8_t* code) {
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd; pos += recordSize(code + pos))
        if (isGradientCall(code + pos)) return true;
    return false;
}

int randomDrawsBeforeGradient(const std::uint8_t* code) {
    // Records run in order: a draw before the call's record comes before it.
    int draws = 0;
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        if (isGradientCall(code + pos)) return draws;
        if (code[pos] == kRecordVariable &&
            code[pos + 1] == static_cast<std::uint8_t>(Slot::Random))
            ++draws;
    }
    return draws;
}

} // namespace trevalin
