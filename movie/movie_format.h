// How a movie's samples are made for a codec, depth and colour model: the
// picture the frame is reduced to, and what FFmpeg's encoder is fed with.
// Where an encoder cannot take the picture as QuickTime stored it, this picks
// the nearest combination that still decodes.
#pragma once

#include <cstdint>

#include "movie/movie_writer.h"
#include "render/movie_codecs.h"

namespace trevalin {

inline constexpr int kCodecCount = kQuickTimeCodecCount;

constexpr std::uint32_t fourCc(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) << 24 | std::uint32_t(std::uint8_t(b)) << 16 |
           std::uint32_t(std::uint8_t(c)) << 8 | std::uint32_t(std::uint8_t(d));
}

// The picture a frame is reduced to before it is compressed.
enum class OutputWorld {
    Rgb32,       // the frame as rendered
    Rgb555,      // 16 bits
    ColourIndex, // 8 bits into the standard colour table
    GreyIndex,   // 8 bits into the grey ramp
};

// What the encoder is given, made from the output world.
enum class EncoderInput {
    Argb,     // alpha 0xFF, then red, green, blue
    Rgb24,    // the world's colours
    Rgb555,   // big-endian 5-5-5 words
    Palette8, // the indices, with the table as the palette
    Grey8,    // 255 - index: the grey a ramp index shows (see declareColourIndex)
    Yuv422,   // the world's colours as full-range 4:2:2 for JPEG
};

struct MovieFormat {
    const char* name = "";    // as the user picks it, e.g. "Motion JPEG A"
    const char* encoder = ""; // FFmpeg's encoder
    std::uint32_t tag = 0;    // sample description's codec type
    OutputWorld world = OutputWorld::Rgb32;
    EncoderInput input = EncoderInput::Argb;
    int bitsPerSample = 24; // the sample description's depth, before the grey flag
    // The stream is declared as 8-bit with the standard table although the
    // encoder codes grey: Animation's depth-8 data is laid out like its grey
    // data with every byte inverted, so 255 - index stores the index.
    bool declareColourIndex = false;
    bool jpegAppHeader = false; // Motion JPEG A: each sample starts with APP1 'mjpg'
    bool mjpegB = false;        // re-laid out without markers
    bool padToFour = false;     // the encoder wants sizes that are multiples of 4
};

// The format for params' QuickTime codec (0..5), depth and colour model at this width.
MovieFormat chooseMovieFormat(const MovieParams& params);

} // namespace trevalin
