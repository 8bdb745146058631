// The process-wide pseudo-random generator behind "?", the value-noise lattice
// and the gradient table: Park-Miller minimal standard (16807 mod 2^31 - 1).
// Shared and unlocked: only one thread may evaluate formulas at a time.
#pragma once

#include <cstdint>

namespace trevalin {

class RandomState {
  public:
    // The double nearest 1 / (2^31 - 1); a draw times this lies in (0, 1].
    static constexpr double kScale = 4.656612875245797e-10;

    // One generator step in Schrage's form, which never overflows 32 bits:
    // every intermediate product stays below 2^31 for any int32 state.
    static constexpr std::int32_t step(std::int32_t s) {
        const std::int32_t hi = s / 127773;
        const std::int32_t lo = s % 127773;
        std::int32_t next = 16807 * lo - 2836 * hi;
        if (next <= 0) next += 2147483647;
        return next;
    }

    // A zero state would stay zero forever, so 0 stores 1.
    static void set(std::int32_t s) { state_ = s == 0 ? 1 : s; }
    static std::int32_t get() { return state_; }
    static std::int32_t nextInt() { return state_ = step(state_); }
    static double nextReal() { return nextInt() * kScale; }

  private:
    static std::int32_t state_;
};

} // namespace trevalin
