#include "formula/source_pixels.h"

#include "formula/arith.h"
#include "formula/frame_variables.h"
#include "formula/scalar_functions.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

// (size * p) / extent as the 32-bit operations they are: the product wraps,
// and the quotients that do not exist (by 0, INT32_MIN by -1) fail.
bool scaledPosition(std::int32_t size, std::int32_t p, std::int32_t extent, std::int32_t& out) {
    const auto product =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(size) * static_cast<std::uint32_t>(p));
    if (extent == 0 || (extent == -1 && product == INT32_MIN)) return false;
    out = product / extent;
    return true;
}

} // namespace

std::uint32_t pixelUnderSample(const FrameVariables& vars) {
    const DibImage* source = vars.source;
    if (!source) return 0;
    std::int32_t column, row;
    if (!scaledPosition(source->width(), vars.px, vars.pw, column)) return 0;
    if (!scaledPosition(source->height(), vars.py, vars.ph, row)) return 0;
    return source->fetchPixel(column, row);
}

std::uint32_t pixelAtPoint(const DibImage* source, double x, double y) {
    if (!source) return 0;
    return source->fetchPixel(truncToInt32(x * source->width()),
                              truncToInt32(y * source->height()));
}

FormulaValue sampleSource(const DibImage* source, double u, double v, bool tile) {
    const std::uint32_t p = source ? source->sample(u, v, tile) : 0u;
    return tripleValue(redOf(p), greenOf(p), blueOf(p));
}

} // namespace trevalin
