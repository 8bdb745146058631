#include "movie/colour_tables.h"

namespace trevalin {
namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r << 16 | g << 8 | b;
}

ColourTable buildStandardTable() {
    ColourTable t{};
    // The cube runs from full intensity down, so index 0 is white; its
    // last corner, black, moves to the end of the table.
    for (std::uint32_t i = 0; i < 215; ++i) {
        const std::uint32_t r = 0xFF - 0x33 * (i / 36);
        const std::uint32_t g = 0xFF - 0x33 * (i / 6 % 6);
        const std::uint32_t b = 0xFF - 0x33 * (i % 6);
        t[i] = rgb(r, g, b);
    }
    // The ramps fill in the levels between the cube's steps of 0x33.
    constexpr std::uint32_t ramp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
    for (int k = 0; k < 10; ++k) {
        const std::uint32_t v = ramp[k];
        t[215 + k] = rgb(v, 0, 0);
        t[225 + k] = rgb(0, v, 0);
        t[235 + k] = rgb(0, 0, v);
        t[245 + k] = rgb(v, v, v);
    }
    t[255] = 0;
    return t;
}

ColourTable buildGreyRamp() {
    ColourTable t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint32_t g = 255 - i;
        t[i] = rgb(g, g, g);
    }
    return t;
}

int squaredDistance(std::uint32_t a, std::uint32_t b) {
    const int dr = int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF);
    const int dg = int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF);
    const int db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

} // namespace

const ColourTable& standardColourTable() {
    static const ColourTable table = buildStandardTable();
    return table;
}

const ColourTable& greyRampTable() {
    static const ColourTable table = buildGreyRamp();
    return table;
}

NearestColour::NearestColour(const ColourTable& table) : table_(table) {
    keys_.fill(kEmpty);
    indices_.fill(0);
}

std::uint8_t NearestColour::find(std::uint32_t rgb) {
    rgb &= 0xFFFFFF;
    const std::uint32_t slot = (rgb * 2654435761u) >> (32 - kCacheBits);
    if (keys_[slot] == rgb) return indices_[slot];

    int best = 0;
    int bestDistance = squaredDistance(rgb, table_[0]);
    for (int i = 1; i < 256 && bestDistance > 0; ++i) {
        const int d = squaredDistance(rgb, table_[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    keys_[slot] = rgb;
    indices_[slot] = std::uint8_t(best);
    return std::uint8_t(best);
}

} // namespace trevalin
