// Whether a picture or movie of a size fits in the memory there is, checked
// before a render starts rather than found out half way.
#pragma once

#include <cstdint>
#include <string>

namespace trevalin {

// Bytes a render of width x height holds: the picture, and for a movie the
// frame copies the writer keeps as well.
std::uint64_t renderMemoryNeed(int width, int height, bool movie);

// Bytes this process may still take: the memory the system reports
// available (with free swap), and no more than an address-space limit allows.
std::uint64_t availableMemory();

// Empty when need fits in available; otherwise what to tell the user, e.g.
// "16000 × 16000 needs 1.0 GB for the picture; 0.5 GB is available".
std::string memoryRefusal(int width, int height, bool movie, std::uint64_t available);

} // namespace trevalin
