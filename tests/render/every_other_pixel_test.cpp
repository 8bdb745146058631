#include "render/every_other_pixel.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace trevalin {
namespace {

// Against a pixel at a time, at several offsets and every count up to a few
// vectors. The row ends at the last pixel stored, so that the address
// sanitizer's build sees any access past it.
TEST(EveryOtherPixel, SameAsOneAtATimeAndNothingPastTheLast) {
    for (int offset = 0; offset < 3; ++offset) {
        for (int count = 1; count <= 70; ++count) {
            const int size = offset + 2 * count - 1;
            std::vector<std::uint32_t> colours, expected;
            const auto row = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(size));
            for (int i = 0; i < size; ++i) {
                row[static_cast<std::size_t>(i)] = 0xDEAD0000u + static_cast<unsigned>(i);
                expected.push_back(row[static_cast<std::size_t>(i)]);
            }
            for (int i = 0; i < count; ++i) {
                colours.push_back(0x01000000u * static_cast<unsigned>(i) + 7);
                expected[static_cast<std::size_t>(offset + 2 * i)] = colours.back();
            }
            storeEveryOtherPixel(row.get() + offset, colours.data(), count);
            EXPECT_EQ(std::vector<std::uint32_t>(row.get(), row.get() + size), expected)
                << "offset " << offset << ", count " << count;
        }
    }
}

} // namespace
} // namespace trevalin
