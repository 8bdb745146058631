#include "render/movie_widths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "base/c_numbers.h"

namespace trevalin {
namespace {

TEST(MovieWidths, FrameCountTruncates) {
    constexpr int kNoCount = std::numeric_limits<std::int32_t>::min(); // NaN and overflow
    const struct {
        const char* duration;
        const char* rate;
        int frames;
    } rows[] = {
        {"1", "10", 10},
        {"2.5", "10", 25},
        {"0.99", "1", 0},
        {"1.5", "2.5", 3},
        {"-1", "10", -10},
        {"x", "10", 0},
        {"3 s", "4", 12},
        {"0.3", "10", 3},
        {"nan", "10", kNoCount},
        {"1e300", "1e300", kNoCount},
        {"2147483647", "1", 2147483647},
    };
    for (const auto& r : rows)
        EXPECT_EQ(movieFrameCount(r.duration, r.rate), r.frames) << r.duration << " x " << r.rate;
}

TEST(MovieWidths, ZoomBetweenWidths) {
    const struct {
        const char* start;
        const char* end;
        int frames;
        const char* zoom; // nullptr: no zoom
    } rows[] = {
        {"1", "1024", 10, "2.000000"}, {"1024", "1", 10, "0.500000"}, {"4", "4", 7, "1.000000"},
        {"2", "8", 2, "2.000000"},     {"1", "2", 1, "2.000000"},     {"1", "2", 0, nullptr},
        {"1", "2", -3, nullptr},       {"0", "2", 5, nullptr},        {"2", "0", 5, nullptr},
        {"-1", "2", 5, nullptr},       {"nan", "2", 5, nullptr},      {"2", "nan", 5, nullptr},
        {"abc", "2", 5, nullptr},      {"1e-300", "1e300", 1, "inf"},
    };
    for (const auto& r : rows) {
        const auto zoom = zoomBetween(r.start, r.end, r.frames);
        const std::string where =
            std::string(r.start) + " to " + r.end + " in " + std::to_string(r.frames);
        if (!r.zoom) {
            EXPECT_FALSE(zoom) << where << " gave " << *zoom;
        } else {
            ASSERT_TRUE(zoom) << where;
            EXPECT_EQ(*zoom, r.zoom) << where;
        }
    }
}

// Which value follows which for every pair of locks.
TEST(MovieWidths, LocksDecideWhatFollows) {
    const struct {
        bool startHeld, endHeld;
        MovieWidths before;
        const char* plane;
        int frames;
        MovieWidths after;
    } rows[] = {
        // Both open: the start takes the plane width, the end follows the zoom.
        {false, false, {"9", "9", "2.000000"}, "1", 3, {"1", "8.000000", "2.000000"}},
        {false, false, {"9", "9", "0.5"}, "16", 4, {"16", "1.000000", "0.5"}},
        {false, false, {"9", "9", "3"}, "2", 0, {"2", "2.000000", "3"}},
        // The start held: the end takes the plane width, the zoom follows.
        {true, false, {"1", "9", "7"}, "1024", 10, {"1", "1024", "2.000000"}},
        // The end held: the start takes the plane width, the zoom follows.
        {false, true, {"9", "1", "7"}, "1024", 10, {"1024", "1", "0.500000"}},
        // Both held: only the zoom follows.
        {true, true, {"2", "8", "7"}, "1000", 2, {"2", "8", "2.000000"}},
        // No frames or a width not above 0: the zoom stays as it was.
        {true, true, {"2", "8", "7"}, "1000", 0, {"2", "8", "7"}},
        {true, false, {"2", "9", "7"}, "-4", 2, {"2", "-4", "7"}},
        // The plane width is a formula text and is copied as it is.
        {false, true, {"9", "4", "7"}, "2*3", 1, {"2*3", "4", "2.000000"}},
    };
    for (const auto& r : rows) {
        MovieWidths w = r.before;
        followLocks(w, r.startHeld, r.endHeld, r.plane, r.frames);
        const std::string where = std::string("locks ") + (r.startHeld ? "held" : "open") + "/" +
                                  (r.endHeld ? "held" : "open") + ", plane " + r.plane +
                                  ", frames " + std::to_string(r.frames);
        EXPECT_EQ(w.startWidth, r.after.startWidth) << where;
        EXPECT_EQ(w.endWidth, r.after.endWidth) << where;
        EXPECT_EQ(w.zoom, r.after.zoom) << where;
    }
}

// With the locks open the end follows the zoom; holding both then gives that
// zoom back, up to the six decimals the texts keep.
TEST(MovieWidths, OpenThenHeldGivesTheZoomBack) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> startPick(0.5, 4.0), zoomPick(0.8, 1.25);
    std::uniform_int_distribution<int> framesPick(1, 30);
    for (int i = 0; i < 200; ++i) {
        const std::string plane = formatReal(startPick(random));
        const double zoom = zoomPick(random);
        const int frames = framesPick(random);
        MovieWidths w{"", "", formatReal(zoom)};
        followLocks(w, false, false, plane, frames);
        ASSERT_EQ(w.startWidth, plane);
        const double end = parseReal(w.endWidth);
        EXPECT_NEAR(end, parseReal(plane) * std::pow(parseReal(w.zoom), frames), 6e-7)
            << plane << " zoom " << w.zoom << " frames " << frames;
        const std::string shown = w.zoom;
        followLocks(w, true, true, "unused", frames);
        // The end width was rounded to six decimals: the zoom moves by at most
        // that rounding spread over the frames.
        const double spread = std::pow(1 + 5e-7 / end, 1.0 / frames) - 1;
        EXPECT_NEAR(parseReal(w.zoom), parseReal(shown), 1e-6 + 4 * spread)
            << plane << " zoom " << shown << " frames " << frames;
    }
}

} // namespace
} // namespace trevalin
