#include "formula/random_state.h"

namespace trevalin {

std::uint32_t RandomState::jumpFactor(std::uint64_t k) {
    const std::uint64_t m = kModulus;
    std::uint64_t result = 1, base = kMultiplier;
    for (; k != 0; k >>= 1) {
        if (k & 1) result = result * base % m;
        base = base * base % m;
    }
    return static_cast<std::uint32_t>(result);
}

std::int32_t RandomState::applyFactor(std::int32_t s, std::uint32_t factor) {
    // step maps s to the residue of 16807 s in 1 .. 2^31 - 1: a multiple of the
    // modulus (0, +-(2^31 - 1)) lands on 2^31 - 1 and stays there.
    const std::int64_t m = kModulus;
    const std::int64_t residue = ((static_cast<std::int64_t>(s) % m) + m) % m;
    const std::int64_t r = residue * static_cast<std::int64_t>(factor) % m;
    return static_cast<std::int32_t>(r == 0 ? m : r);
}

std::int32_t RandomState::jump(std::int32_t s, std::uint64_t k) {
    if (k == 0) return s;
    return applyFactor(s, jumpFactor(k));
}

} // namespace trevalin
