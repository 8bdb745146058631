// A colour table made for one frame, for movie formats that carry a palette
// per picture (GIF): a frame of at most 256 colours gets exactly its colours;
// a richer one gets 256 colours by median cut. The same frame always gives the
// same table.
#pragma once

#include <cstdint>
#include <span>

#include "movie/colour_tables.h"

namespace trevalin {

// Colours are 0x00RRGGBB words; entries past the colours found are black.
ColourTable framePalette(std::span<const std::uint32_t> frame);

} // namespace trevalin
