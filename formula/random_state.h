// The pseudo-random generator behind "?", the value-noise lattice and the
// gradient table: Park-Miller minimal standard (16807 mod 2^31 - 1).
// One state is shared by the process; a render worker thread may bind a state
// of its own (ThreadStream) to draw a known stretch of the sequence, which the
// renderer finds by jumping ahead.
#pragma once

#include <cstdint>

namespace trevalin {

class RandomState {
  public:
    static constexpr std::int32_t kModulus = 2147483647;
    static constexpr std::int32_t kMultiplier = 16807;
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

    // The state after k steps from s, in O(log k): s * 16807^k mod 2^31 - 1,
    // giving exactly what k calls of step give for any int32 s.
    static std::int32_t jump(std::int32_t s, std::uint64_t k);
    // 16807^k mod 2^31 - 1, the factor jump multiplies by.
    static std::uint32_t jumpFactor(std::uint64_t k);
    // s times a factor from jumpFactor (k >= 1), as jump does it.
    static std::int32_t applyFactor(std::int32_t s, std::uint32_t factor);

    // A zero state would stay zero forever, so 0 stores 1.
    static void set(std::int32_t s) { *current_ = s == 0 ? 1 : s; }
    static std::int32_t get() { return *current_; }
    static std::int32_t nextInt() { return *current_ = step(*current_); }
    static double nextReal() { return nextInt() * kScale; }

    // While alive, this thread draws from `state` instead of the shared one.
    class ThreadStream {
      public:
        explicit ThreadStream(std::int32_t& state) : previous_(current_) { current_ = &state; }
        ~ThreadStream() { current_ = previous_; }
        ThreadStream(const ThreadStream&) = delete;
        ThreadStream& operator=(const ThreadStream&) = delete;

      private:
        std::int32_t* previous_;
    };

  private:
    static inline std::int32_t shared_ = 1;
    static inline thread_local std::int32_t* current_ = &shared_;
};

} // namespace trevalin
