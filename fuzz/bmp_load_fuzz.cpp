// Feeds arbitrary bytes to the BMP loader, then reads back everything a
// formula or the save path could touch.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/dib_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    trevalin::DibImage image;
    image.loadFromBytes(data, size);

    std::uint32_t seen = 0;
    // One step past each edge as well: those fetches must give 0.
    for (int r = -1; r <= image.height(); ++r)
        for (int c = -1; c <= image.width(); ++c)
            seen ^= image.fetchPixel(c, r);
    const double coordinates[] = {-1.5, -0.25, 0.0, 0.5, 0.999, 1.0, 2.75, 1e300, -1e-20};
    for (double u : coordinates)
        for (double v : coordinates)
            seen ^= image.sample(u, v, false) ^ image.sample(u, v, true);

    std::vector<std::uint8_t> saved;
    if (image.save(saved) == 1) {
        trevalin::DibImage again;
        again.loadFromBytes(saved.data(), saved.size());
        if (again.width() != image.width() || again.height() != image.height()) __builtin_trap();
    }
    if ((seen & 0xFF000000u) != 0) __builtin_trap();
    return 0;
}
