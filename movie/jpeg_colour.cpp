#include "movie/jpeg_colour.h"

#include <algorithm>

#include "render/colour_word.h"

namespace trevalin {
namespace {

// Weights times 65536. Each set of three adds up to 65536 or 0, so grey stays
// grey and neutral chroma stays exactly 128.
constexpr int kYr = 19595, kYg = 38470, kYb = 7471;
constexpr int kCbR = -11059, kCbG = -21709, kCbB = 32768;
constexpr int kCrR = 32768, kCrG = -27439, kCrB = -5329;

std::uint8_t clampByte(int v) {
    return std::uint8_t(std::clamp(v, 0, 255));
}

} // namespace

void rgbRowToYuv422(std::span<const std::uint32_t> colours, std::uint8_t* y, std::uint8_t* cb,
                    std::uint8_t* cr) {
    const std::size_t width = colours.size();
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t c = colours[x];
        y[x] = clampByte((kYr * wordRed(c) + kYg * wordGreen(c) + kYb * wordBlue(c) + 32768) >> 16);
    }
    for (std::size_t x = 0; x < width; x += 2) {
        const std::uint32_t a = colours[x], b = colours[std::min(x + 1, width - 1)];
        const int r = wordRed(a) + wordRed(b), g = wordGreen(a) + wordGreen(b),
                  bl = wordBlue(a) + wordBlue(b);
        // Sums of two pixels: divide by 2 * 65536, rounding to nearest.
        cb[x / 2] = clampByte(128 + ((kCbR * r + kCbG * g + kCbB * bl + 65536) >> 17));
        cr[x / 2] = clampByte(128 + ((kCrR * r + kCrG * g + kCrB * bl + 65536) >> 17));
    }
}

} // namespace trevalin
