// The render target's colour word: 0x00RRGGBB, red in bits 16 to 23, green in
// 8 to 15, blue in 0 to 7. (source-image fetches pack the other way round.)
#pragma once

#include <cstdint>

namespace trevalin {

constexpr int wordRed(std::uint32_t w) {
    return static_cast<int>(w >> 16 & 0xFF);
}
constexpr int wordGreen(std::uint32_t w) {
    return static_cast<int>(w >> 8 & 0xFF);
}
constexpr int wordBlue(std::uint32_t w) {
    return static_cast<int>(w & 0xFF);
}

// Keeps the low byte of each channel.
constexpr std::uint32_t colourWord(std::int32_t r, std::int32_t g, std::int32_t b) {
    return (static_cast<std::uint32_t>(r) & 0xFF) << 16 |
           (static_cast<std::uint32_t>(g) & 0xFF) << 8 | (static_cast<std::uint32_t>(b) & 0xFF);
}

} // namespace trevalin
