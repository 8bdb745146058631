#include "render/memory_check.h"

#include <gtest/gtest.h>

namespace trevalin {
namespace {

TEST(MemoryCheck, RefusesWhatDoesNotFitAndSaysHowMuchItNeeds) {
    struct Case {
        int width, height;
        bool movie;
        std::uint64_t available;
        std::string message;
    };
    const Case cases[] = {
        {16000, 16000, false, 500000000,
         "16000 × 16000 needs 1.0 GB for the picture; 0.5 GB is available"},
        {16000, 16000, false, 1024000000, ""}, // exactly enough
        {16000, 16000, false, 1023999999,
         "16000 × 16000 needs 1.0 GB for the picture; 1.0 GB is available"},
        {16000, 16000, true, 3000000000,
         "16000 × 16000 needs 1.0 GB for the picture and 3.6 GB in all for a movie; 3.0 GB "
         "is available"},
        {16000, 16000, true, 3584000000, ""},
        {640, 480, true, 100000000, ""},
        {1, 1, false, 4, ""},
        {1, 1, false, 3, "1 × 1 needs 0.0 GB for the picture; 0.0 GB is available"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(memoryRefusal(c.width, c.height, c.movie, c.available), c.message)
            << c.width << "x" << c.height << (c.movie ? " movie" : "");
}

TEST(MemoryCheck, NeedGrowsWithThePixelsAndAMovieNeedsMore) {
    for (int side : {1, 7, 100, 4000, 16000}) {
        const std::uint64_t still = renderMemoryNeed(side, side, false);
        EXPECT_EQ(still, 4ull * side * side);
        EXPECT_GT(renderMemoryNeed(side, side, true), still);
        EXPECT_GT(renderMemoryNeed(side, side + 1, true), renderMemoryNeed(side, side, true));
        EXPECT_EQ(renderMemoryNeed(side, 3, true), renderMemoryNeed(3, side, true));
    }
    EXPECT_GT(availableMemory(), 0u);
}

} // namespace
} // namespace trevalin
