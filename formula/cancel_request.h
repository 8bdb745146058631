// A stop request that reaches into one point's iteration. At a high iteration
// count a fractal function runs for seconds per point, far longer than a stop
// may take, so the iterations look at the request of their thread's innermost
// CancelScope every kCancelCheckSteps steps and, once it is set, return early
// with results that mean nothing. The scope then tells its owner, who throws
// away what was computed from them.
#pragma once

#include <atomic>
#include <cstdint>

namespace trevalin {

class CancelScope {
  public:
    // request must outlive the scope; scopes nest per thread.
    explicit CancelScope(const std::atomic<bool>& request);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

    // Whether an iteration stopped early within this scope (and no inner one).
    bool cutShort() const { return cut_; }

  private:
    friend bool cancelRequested();
    const std::atomic<bool>& request_;
    CancelScope* outer_;
    bool cut_ = false;
};

// Whether the request of the thread's innermost scope is set (the scope then
// counts as cut short); false outside every scope.
bool cancelRequested();

// Steps between two looks at the request: a few hundred microseconds.
inline constexpr std::int32_t kCancelCheckSteps = 1 << 16;

} // namespace trevalin
