// Reduces a 32-bit frame (0x00RRGGBB words, rows from the top, no gaps) to the
// 16-bit or 8-bit picture a movie stores. Undithered, each pixel keeps the top
// five bits of each channel (16 bits) or becomes the nearest table entry
// (8 bits). Dithered, each pixel's error is spread over the pixels still to
// come (Floyd-Steinberg, rows left to right, top to bottom), so the same frame
// always gives the same bytes.
#pragma once

#include <cstdint>
#include <span>

#include "movie/colour_tables.h"

namespace trevalin {

// A 5-5-5 word: red in bits 10-14, green in 5-9, blue in 0-4.
using Word555 = std::uint16_t;

// The colour a 5-5-5 word shows: each channel v becomes v * 8 + v / 4, the
// expansion decoders use.
std::uint32_t expand555(Word555 v);

// frame and out hold width x (frame.size() / width) pixels.
void reduceTo555(std::span<const std::uint32_t> frame, int width, bool dither,
                 std::span<Word555> out);
void reduceToTable(std::span<const std::uint32_t> frame, int width, bool dither,
                   NearestColour& table, std::span<std::uint8_t> out);
// Indices into the grey ramp: 255 minus the pixel's luminance. A grey frame
// maps exactly, so there is nothing to dither.
void reduceToGreyRamp(std::span<const std::uint32_t> frame, std::span<std::uint8_t> out);

} // namespace trevalin
