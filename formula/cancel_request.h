// A stop request that reaches into one point's iteration. At a high iteration
// count a fractal function runs for seconds per point, far longer than a stop
// may take, so the iterations look at the request of their thread's innermost
// CancelScope every kCancelCheckSteps steps and, once it is set, return early
// with results that mean nothing. The code that set up the scope sees its own
// request set and throws away whatever it computed since the request could
// have arrived.
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

  private:
    const std::atomic<bool>* outer_;
};

// Whether the request of the thread's innermost scope is set; false outside
// every scope.
bool cancelRequested();

// Steps between two looks at the request: a few hundred microseconds.
inline constexpr std::int32_t kCancelCheckSteps = 1 << 16;

} // namespace trevalin
