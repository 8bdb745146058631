// Colour conversion for JPEG: full-range BT.601 YCbCr (as JFIF defines it)
// with chroma shared by each pair of pixels (4:2:2). Done here rather than by
// libswscale, whose RGB to 4:2:2 conversion gets the last chroma sample of an
// odd-width row wrong.
#pragma once

#include <cstdint>
#include <span>

namespace trevalin {

// One row of 0x00RRGGBB colours into Y (width bytes), Cb and Cr ((width + 1)
// / 2 bytes each). The last chroma sample of an odd row is its last pixel's.
// Grey gives Y = grey and Cb = Cr = 128 exactly.
void rgbRowToYuv422(std::span<const std::uint32_t> colours, std::uint8_t* y, std::uint8_t* cb,
                    std::uint8_t* cr);

} // namespace trevalin
