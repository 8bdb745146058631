// A source image as formulas see it: rows of pixels in one of the layouts a
// BMP file stores, described by the image code that owns the bytes. Formulas
// read pixels through this view only, so the formula code needs nothing of the
// bitmap class or of BMP files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace trevalin {

enum class SourceLayout : std::uint8_t {
    None,     // no pixels (or a depth formulas cannot read): every read is black
    Palette8, // one byte, an index into 256 (blue, green, red, unused) entries
    Rgb555,   // little-endian 16-bit word, five bits per channel, red highest
    Bgr24,    // blue, green, red bytes
    Bgrx32,   // blue, green, red, unused bytes
};

struct SourceImage {
    const std::uint8_t* topRow = nullptr; // first byte of the top row
    // Bytes from a row to the one below it; negative for bottom-up storage.
    std::ptrdiff_t rowStride = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    SourceLayout layout = SourceLayout::None;
    const std::uint8_t* palette = nullptr; // Palette8 only

    // 0x00BBGGRR (red in the lowest byte); 0 outside the image or without
    // pixels.
    std::uint32_t fetchPixel(int column, int row) const;
    // The pixel under (u, v) in image-relative coordinates, clamped (tile
    // false) or tiled (tile true).
    std::uint32_t sample(double u, double v, bool tile) const;
};

} // namespace trevalin
