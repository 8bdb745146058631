// Stores into every other pixel of a row: the pixels a refining pass
// computes in the rows that an earlier pass began.
#pragma once

#include <cstdint>

namespace trevalin {

// row[0], row[2], … row[2 * (count - 1)] take colours[0 .. count - 1]; the
// pixels between keep theirs, and nothing past the last one is touched.
void storeEveryOtherPixel(std::uint32_t* row, const std::uint32_t* colours, int count);

} // namespace trevalin
