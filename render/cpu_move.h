// Moving a thread off one processor without pinning it anywhere.
#pragma once

namespace trevalin {

// The processor the calling thread runs on, or -1 when that is not known.
int currentCpu();

// Moves the calling thread off processor cpu when it runs there and may run
// elsewhere; it is barred from cpu only for the move, and may afterwards go
// anywhere it could before. Returns whether it moved.
bool leaveCpu(int cpu);

} // namespace trevalin
