// Where the image view puts the picture and how a click maps back onto it.
// All sizes and positions are in device pixels, so one image pixel is one
// screen pixel on every display.
#pragma once

#include <optional>

namespace trevalin {

struct ImagePlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A W x H image in a client of clientW x clientH: shown at its own size when
// it fits, otherwise scaled down (never up) keeping its proportions; centred
// along each axis where there is room.
ImagePlacement placeImage(int clientW, int clientH, int imageW, int imageH);

// The status band: full client width, 32 high, 8 below the picture.
inline constexpr int kStatusBandGap = 8;
inline constexpr int kStatusBandHeight = 32;

struct ImageFraction {
    double fx = 0.0; // 0 at the left edge of the image, 1 at its right edge
    double fy = 0.0; // 0 at the top row
};

// The image point under a click at (x, y), as fractions of the image size.
// Clicks in the margin give fractions below 0 or above 1. Empty when the image
// is not drawn at all (no image, or scaled down to nothing).
std::optional<ImageFraction> clickToFraction(double x, double y, int clientW, int clientH,
                                             int imageW, int imageH);

} // namespace trevalin
