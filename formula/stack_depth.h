// The most stack slots a code can occupy when run from an empty stack. Postfix
// code has no branches, so simulating the shapes on the stack is exact.
#pragma once

#include <cstdint>

namespace trevalin {

int maxStackDepth(const std::uint8_t* code);

} // namespace trevalin
