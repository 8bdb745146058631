#include "formula/source_image.h"

#include <cmath>

#include "formula/arith.h"

namespace trevalin {
namespace {

// The image-relative coordinate a sample reads: the fractional part when
// tiling, else pinned to [0, 1] with NaN at 0.
double mapCoordinate(double c, bool tile) {
    if (tile) return c - std::floor(c);
    if (!(c >= 0.0)) return 0.0;
    return c > 1.0 ? 1.0 : c;
}

std::uint32_t littleEndian16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

} // namespace

std::uint32_t SourceImage::fetchPixel(int column, int row) const {
    if (column < 0 || row < 0 || column >= width || row >= height || !topRow) return 0;
    const std::uint8_t* line = topRow + static_cast<std::ptrdiff_t>(row) * rowStride;
    const auto at = static_cast<std::size_t>(column);
    std::uint32_t red = 0, green = 0, blue = 0;
    switch (layout) {
    case SourceLayout::Palette8: {
        // The palette always holds 256 entries; those the file did not store
        // are zeros, so their pixels are black.
        const std::uint8_t* entry = palette + 4 * std::size_t{line[at]};
        blue = entry[0];
        green = entry[1];
        red = entry[2];
        break;
    }
    case SourceLayout::Rgb555: {
        const std::uint32_t word = littleEndian16(line + 2 * at);
        // Five bits widen to eight; an odd value fills the low bits so that
        // full intensity reaches 255.
        const auto widen = [](std::uint32_t c) { return c * 8 + ((c & 1) ? 7 : 0); };
        blue = widen(word & 0x1F);
        green = widen((word >> 5) & 0x1F);
        red = widen((word >> 10) & 0x1F);
        break;
    }
    case SourceLayout::Bgr24:
    case SourceLayout::Bgrx32: {
        const std::uint8_t* pixel = line + (layout == SourceLayout::Bgr24 ? 3 : 4) * at;
        blue = pixel[0];
        green = pixel[1];
        red = pixel[2];
        break;
    }
    case SourceLayout::None: return 0;
    }
    return red | green << 8 | blue << 16;
}

std::uint32_t SourceImage::sample(double u, double v, bool tile) const {
    // NaN or infinity while tiling maps to NaN, which truncates to INT32_MIN:
    // outside the image, so black.
    int column = truncToInt32(width * mapCoordinate(u, tile));
    int row = truncToInt32(height * mapCoordinate(v, tile));
    if (column == width) column = width - 1;
    if (row == height) row = height - 1;
    return fetchPixel(column, row);
}

} // namespace trevalin
