#include "movie/frame_palette.h"

#include <algorithm>
#include <vector>

#include "render/colour_word.h"

namespace trevalin {
namespace {

struct Colour {
    std::uint32_t rgb;
    std::uint64_t count;
};

int channel(std::uint32_t rgb, int c) {
    return static_cast<int>(rgb >> (16 - 8 * c) & 0xFF);
}

// A box of colours: [first, last) of the sorted list.
struct Box {
    std::size_t first, last;
    int widest = 0; // the channel with the largest range
    int range = 0;
    std::uint64_t pixels = 0;
};

Box measure(const std::vector<Colour>& colours, std::size_t first, std::size_t last) {
    Box b{first, last};
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (std::size_t i = first; i < last; ++i) {
        b.pixels += colours[i].count;
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], channel(colours[i].rgb, c));
            hi[c] = std::max(hi[c], channel(colours[i].rgb, c));
        }
    }
    for (int c = 0; c < 3; ++c)
        if (hi[c] - lo[c] > b.range) {
            b.range = hi[c] - lo[c];
            b.widest = c;
        }
    return b;
}

} // namespace

ColourTable framePalette(std::span<const std::uint32_t> frame) {
    std::vector<std::uint32_t> sorted(frame.begin(), frame.end());
    for (std::uint32_t& p : sorted)
        p &= 0xFFFFFF;
    std::sort(sorted.begin(), sorted.end());
    std::vector<Colour> colours;
    for (std::uint32_t p : sorted) {
        if (colours.empty() || colours.back().rgb != p)
            colours.push_back({p, 1});
        else
            ++colours.back().count;
    }
    ColourTable table{};
    if (colours.size() <= table.size()) {
        for (std::size_t i = 0; i < colours.size(); ++i)
            table[i] = colours[i].rgb;
        return table;
    }

    // Split the box with the widest channel range (the first such box on a
    // tie) at the median pixel along that channel, until there are 256.
    std::vector<Box> boxes{measure(colours, 0, colours.size())};
    while (boxes.size() < table.size()) {
        std::size_t pick = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].last - boxes[i].first > 1 &&
                (pick == boxes.size() || boxes[i].range > boxes[pick].range))
                pick = i;
        if (pick == boxes.size()) break;
        const Box b = boxes[pick];
        const int c = b.widest;
        std::stable_sort(colours.begin() + std::ptrdiff_t(b.first),
                         colours.begin() + std::ptrdiff_t(b.last),
                         [c](const Colour& x, const Colour& y) {
                             return channel(x.rgb, c) < channel(y.rgb, c);
                         });
        std::uint64_t seen = 0;
        std::size_t cut = b.first + 1;
        for (std::size_t i = b.first; i + 1 < b.last; ++i) {
            seen += colours[i].count;
            cut = i + 1;
            if (2 * seen >= b.pixels) break;
        }
        boxes[pick] = measure(colours, b.first, cut);
        boxes.push_back(measure(colours, cut, b.last));
    }
    // Each entry is its box's mean colour, weighted by pixels and rounded.
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        std::uint64_t sum[3] = {0, 0, 0};
        for (std::size_t i = boxes[k].first; i < boxes[k].last; ++i)
            for (int c = 0; c < 3; ++c)
                sum[c] += std::uint64_t(channel(colours[i].rgb, c)) * colours[i].count;
        const std::uint64_t n = boxes[k].pixels;
        table[k] = colourWord(static_cast<std::int32_t>((sum[0] + n / 2) / n),
                              static_cast<std::int32_t>((sum[1] + n / 2) / n),
                              static_cast<std::int32_t>((sum[2] + n / 2) / n));
    }
    return table;
}

} // namespace trevalin
