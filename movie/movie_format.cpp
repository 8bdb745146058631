#include "movie/movie_format.h"

namespace trevalin {
namespace {

// The QuickTime rows of the codec table, in its order: the encoder and the
// sample description's codec type.
struct Codec {
    const char* encoder;
    std::uint32_t tag;
};

constexpr Codec kCodecs[kCodecCount] = {
    {"rawvideo", fourCc('r', 'a', 'w', ' ')}, {"qtrle", fourCc('r', 'l', 'e', ' ')},
    {"smc", fourCc('s', 'm', 'c', ' ')},      {"mjpeg", fourCc('m', 'j', 'p', 'a')},
    {"mjpeg", fourCc('m', 'j', 'p', 'b')},    {"cinepak", fourCc('c', 'v', 'i', 'd')},
};

OutputWorld worldFor(const MovieParams& p) {
    switch (p.depth) {
    case 0: return p.colormode == 0 ? OutputWorld::GreyIndex : OutputWorld::ColourIndex;
    case 2: return OutputWorld::Rgb32;
    default: return OutputWorld::Rgb555; // 1, and anything unknown
    }
}

bool indexed(OutputWorld w) {
    return w == OutputWorld::ColourIndex || w == OutputWorld::GreyIndex;
}

} // namespace

MovieFormat chooseMovieFormat(const MovieParams& params) {
    const int codec = params.codec >= 0 && params.codec < kCodecCount ? params.codec : 3;
    MovieFormat f;
    f.name = kMovieCodecs[codec].name;
    f.encoder = kCodecs[codec].encoder;
    f.tag = kCodecs[codec].tag;
    f.world = worldFor(params);
    const bool grey = f.world == OutputWorld::GreyIndex;

    switch (codec) {
    case 0: // Raw stores the world as it is.
        switch (f.world) {
        case OutputWorld::Rgb32:
            // Not rgb24: FFmpeg's raw decoder misreads the padded rows of
            // 24-bit files whose width is odd.
            f.input = EncoderInput::Argb;
            f.bitsPerSample = 32;
            break;
        case OutputWorld::Rgb555:
            f.input = EncoderInput::Rgb555;
            f.bitsPerSample = 16;
            break;
        case OutputWorld::ColourIndex:
            f.input = EncoderInput::Palette8;
            f.bitsPerSample = 8;
            break;
        case OutputWorld::GreyIndex:
            // The muxer stores 255 - grey, which is the ramp's index.
            f.input = EncoderInput::Grey8;
            f.bitsPerSample = 8;
            break;
        }
        break;
    case 1: // Animation
        if (f.world == OutputWorld::Rgb555) {
            f.input = EncoderInput::Rgb555;
            f.bitsPerSample = 16;
        } else if (indexed(f.world) && params.width % 4 == 0) {
            // FFmpeg's RLE encoder has no 8-bit colour input, but its grey
            // input writes the depth-8 layout with every byte inverted.
            f.input = EncoderInput::Grey8;
            f.declareColourIndex = !grey;
            f.bitsPerSample = 8;
        } else {
            // 8-bit RLE needs a width that is a multiple of 4; elsewhere the
            // world's colours go into 24-bit Animation.
            f.input = EncoderInput::Rgb24;
            f.bitsPerSample = 24;
        }
        break;
    case 2: // Graphics is an 8-bit codec: deeper worlds are reduced to the table.
        if (!indexed(f.world))
            f.world = params.colormode == 0 ? OutputWorld::GreyIndex : OutputWorld::ColourIndex;
        f.input = EncoderInput::Palette8;
        f.bitsPerSample = 8;
        break;
    case 3:
    case 4: // JPEG always codes 24-bit colour
        f.input = EncoderInput::Yuv422;
        f.bitsPerSample = 24;
        f.jpegAppHeader = codec == 3;
        f.mjpegB = codec == 4;
        break;
    case 5: // Cinepak codes 24-bit colour or grey
        f.input = grey ? EncoderInput::Grey8 : EncoderInput::Rgb24;
        f.bitsPerSample = grey ? 8 : 24;
        f.padToFour = true;
        break;
    }
    return f;
}

} // namespace trevalin
