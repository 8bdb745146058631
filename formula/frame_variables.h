// The per-frame and per-pixel values formulas read as variables. The renderer
// fills it; the interpreter only reads it.
#pragma once

#include <cstdint>

namespace trevalin {

struct SourceImage;

struct FrameVariables {
    std::int32_t px = 0; // pixel column, 0 at the left
    std::int32_t py = 0; // pixel row, 0 at the top
    std::int32_t pw = 0; // image size in pixels
    std::int32_t ph = 0;
    std::int32_t fw = 0; // the image size again, set with pw/ph each frame
    std::int32_t fh = 0;
    std::int32_t i = 0; // truncated "recurse" formula
    double left = 0.0;  // plane point of the top-left pixel
    double top = 0.0;
    double w = 0.0; // plane region size
    double h = 0.0;
    double zoom = 0.0;
    double cx = 0.0; // region centre
    double cy = 0.0;
    double min = 0.0; // value range mapped to colour
    double max = 0.0;
    double jx = 0.0; // p0 and q0 formulas
    double jy = 0.0;
    double x = 0.0; // plane point of the sample
    double y = 0.0;
    double xstep = 0.0; // plane size of one pixel
    double ystep = 0.0;
    double t = 0.0; // frame time, 0 .. 1
    double scale = 0.0;
    std::int32_t frame = 0;              // index of the frame being rendered
    std::int32_t n = 0;                  // frame number formulas see
    std::int32_t frames = 0;             // 1 or less for a still image
    const SourceImage* source = nullptr; // nullptr: no source image, all reads black
};

} // namespace trevalin
