#include "render/movie_widths.h"

#include <cmath>

#include "base/c_numbers.h"
#include "formula/arith.h"

namespace trevalin {

int movieFrameCount(std::string_view duration, std::string_view frameRate) {
    return truncToInt32(parseReal(duration) * parseReal(frameRate));
}

std::optional<std::string> zoomBetween(std::string_view startWidth, std::string_view endWidth,
                                       int frames) {
    if (frames <= 0) return std::nullopt;
    const double start = parseReal(startWidth);
    const double end = parseReal(endWidth);
    // Written so that a width that is not a number (atof reads "nan") also stops here.
    if (!(start > 0) || !(end > 0)) return std::nullopt;
    return formatReal(std::pow(end / start, 1.0 / frames));
}

void followLocks(MovieWidths& widths, bool startHeld, bool endHeld, std::string_view planeWidth,
                 int frames) {
    if (!startHeld) widths.startWidth = planeWidth;
    if (startHeld && !endHeld) widths.endWidth = planeWidth;
    if (!startHeld && !endHeld) {
        const double start = parseReal(widths.startWidth);
        const double zoom = parseReal(widths.zoom);
        widths.endWidth = formatReal(start * std::pow(zoom, frames));
    } else if (auto zoom = zoomBetween(widths.startWidth, widths.endWidth, frames)) {
        widths.zoom = std::move(*zoom);
    }
}

} // namespace trevalin
