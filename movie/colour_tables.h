// The two colour tables an 8-bit movie can use, and the search for the entry
// nearest to a colour. Colours are 0x00RRGGBB words, as in the render target.
#pragma once

#include <array>
#include <cstdint>

namespace trevalin {

using ColourTable = std::array<std::uint32_t, 256>;

// The standard 8-bit colour table (QuickTime table 8): the 6x6x6 cube without
// black, ramps of red, green, blue and grey, then black. Index 0 is white.
const ColourTable& standardColourTable();

// The 8-bit grey ramp (QuickTime table 40): entry i is grey 255 - i.
const ColourTable& greyRampTable();

// Finds the table entry nearest to a colour by squared RGB distance, the lowest
// index winning ties. Remembers recent answers, since rendered frames repeat
// colours a lot and the exact search visits all 256 entries.
class NearestColour {
  public:
    explicit NearestColour(const ColourTable& table);

    std::uint8_t find(std::uint32_t rgb);
    const ColourTable& table() const { return table_; }

  private:
    static constexpr int kCacheBits = 14;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // never a 0x00RRGGBB word

    const ColourTable& table_;
    std::array<std::uint32_t, 1u << kCacheBits> keys_;
    std::array<std::uint8_t, 1u << kCacheBits> indices_;
};

} // namespace trevalin
