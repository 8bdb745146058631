#include "movie/frame_reduction.h"

#include <algorithm>
#include <array>
#include <vector>

#include "render/colour_word.h"

namespace trevalin {
namespace {

constexpr int expand5(int v) {
    return v * 8 + v / 4;
}

// The 5-bit level whose expansion lies nearest to each 8-bit value. The top
// five bits are not always nearest: 248 keeps 31 (shown as 255), though 30
// (shown as 247) is closer.
constexpr std::array<std::uint8_t, 256> buildNearest5() {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        int best = 0;
        for (int v = 1; v < 32; ++v) {
            const int d = expand5(v) - c, bd = expand5(best) - c;
            if (d * d < bd * bd) best = v;
        }
        t[c] = std::uint8_t(best);
    }
    return t;
}
constexpr std::array<std::uint8_t, 256> kNearest5 = buildNearest5();

// Floyd-Steinberg over the frame. quantise(i, r, g, b) stores the output for
// pixel i and returns the colour that output shows.
template <class Quantise>
void diffuse(std::span<const std::uint32_t> frame, int width, Quantise quantise) {
    const std::size_t height = frame.size() / std::size_t(width);
    // Errors times 16 for this row and the next, with a spare column on each
    // side so the edges need no tests; what falls there is dropped.
    const std::size_t stride = (std::size_t(width) + 2) * 3;
    std::vector<int> here(stride, 0), below(stride, 0);
    for (std::size_t y = 0; y < height; ++y) {
        std::fill(below.begin(), below.end(), 0);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = y * std::size_t(width) + std::size_t(x);
            const std::uint32_t p = frame[i];
            const int* e = &here[std::size_t(x + 1) * 3];
            // (e + 8) >> 4 rounds the carried error to the nearest unit.
            const int want[3] = {std::clamp(wordRed(p) + ((e[0] + 8) >> 4), 0, 255),
                                 std::clamp(wordGreen(p) + ((e[1] + 8) >> 4), 0, 255),
                                 std::clamp(wordBlue(p) + ((e[2] + 8) >> 4), 0, 255)};
            const std::uint32_t got = quantise(i, want[0], want[1], want[2]);
            const int err[3] = {want[0] - wordRed(got), want[1] - wordGreen(got),
                                want[2] - wordBlue(got)};
            for (int c = 0; c < 3; ++c) {
                here[std::size_t(x + 2) * 3 + c] += err[c] * 7;
                below[std::size_t(x) * 3 + c] += err[c] * 3;
                below[std::size_t(x + 1) * 3 + c] += err[c] * 5;
                below[std::size_t(x + 2) * 3 + c] += err[c];
            }
        }
        here.swap(below);
    }
}

} // namespace

std::uint32_t expand555(Rgb555 v) {
    return colourWord(expand5(v >> 10 & 31), expand5(v >> 5 & 31), expand5(v & 31));
}

void reduceTo555(std::span<const std::uint32_t> frame, int width, bool dither,
                 std::span<Rgb555> out) {
    if (!dither) {
        // The plain copy into a 16-bit world keeps the top five bits.
        for (std::size_t i = 0; i < frame.size(); ++i) {
            const std::uint32_t p = frame[i];
            out[i] = Rgb555((p >> 9 & 0x7C00) | (p >> 6 & 0x03E0) | (p >> 3 & 0x001F));
        }
        return;
    }
    diffuse(frame, width, [&](std::size_t i, int r, int g, int b) {
        const int r5 = kNearest5[r], g5 = kNearest5[g], b5 = kNearest5[b];
        out[i] = Rgb555(r5 << 10 | g5 << 5 | b5);
        return colourWord(expand5(r5), expand5(g5), expand5(b5));
    });
}

void reduceToTable(std::span<const std::uint32_t> frame, int width, bool dither,
                   NearestColour& table, std::span<std::uint8_t> out) {
    if (!dither) {
        for (std::size_t i = 0; i < frame.size(); ++i)
            out[i] = table.find(frame[i]);
        return;
    }
    diffuse(frame, width, [&](std::size_t i, int r, int g, int b) {
        out[i] = table.find(colourWord(r, g, b));
        return table.table()[out[i]];
    });
}

void reduceToGreyRamp(std::span<const std::uint32_t> frame, std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const std::uint32_t p = frame[i];
        // BT.601 weights; they add up to 1000, so R = G = B maps to itself.
        const int grey = (299 * wordRed(p) + 587 * wordGreen(p) + 114 * wordBlue(p) + 500) / 1000;
        out[i] = std::uint8_t(255 - grey);
    }
}

} // namespace trevalin
