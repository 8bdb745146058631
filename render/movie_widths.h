// The movie's widths and zoom. Every frame scales the plane width by the zoom,
// so start width x zoom^frames = end width, and two locks say which of the
// three are held. The values are the texts the Movie Options page shows, read
// as atof does and written as "%f", so a load and save keeps what was typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trevalin {

struct MovieWidths {
    std::string startWidth;
    std::string endWidth;
    std::string zoom;
};

// duration x frame rate, truncated.
int movieFrameCount(std::string_view duration, std::string_view frameRate);

// The zoom that takes the start width to the end width in `frames` steps;
// nothing when there are no frames or a width is not above 0 (or not a number).
std::optional<std::string> zoomBetween(std::string_view startWidth, std::string_view endWidth,
                                       int frames);

// What a loaded record shows: an open lock lets its width follow planeWidth
// (the region's width formula, as text). With a width held the zoom follows the
// widths; with none held the end width follows the zoom.
void followLocks(MovieWidths& widths, bool startHeld, bool endHeld, std::string_view planeWidth,
                 int frames);

} // namespace trevalin
