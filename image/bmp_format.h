// Where a BMP file keeps what, and the validated geometry of one file. Every
// number the loader takes from a file passes through parseBmpLayout first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace trevalin {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kResolution = 2834; // pixels per metre, 72 dpi

// file header fields.
inline constexpr std::size_t kFileSizeAt = 2;
inline constexpr std::size_t kPixelOffsetAt = 10;

// Info header fields, counted from the start of the info header.
inline constexpr std::size_t kInfoSizeAt = 0;
inline constexpr std::size_t kWidthAt = 4;
inline constexpr std::size_t kHeightAt = 8;
inline constexpr std::size_t kPlanesAt = 12;
inline constexpr std::size_t kBitsAt = 14;
inline constexpr std::size_t kCompressionAt = 16;
inline constexpr std::size_t kImageSizeAt = 20;
inline constexpr std::size_t kXResolutionAt = 24;
inline constexpr std::size_t kYResolutionAt = 28;
inline constexpr std::size_t kColoursUsedAt = 32;
inline constexpr std::size_t kColoursImportantAt = 36;

inline std::uint16_t getLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t getLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void putLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A file's geometry after every check: the pixel rows lie inside the file and
// the palette entries counted here lie between the info header and the pixels.
struct BmpLayout {
    std::int32_t width = 0;
    std::int32_t height = 0; // magnitude
    bool topDown = false;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t stride = 0;
    std::uint64_t pixelOffset = 0;
    std::size_t paletteOffset = 0; // right after the info header, whatever its size
    int paletteEntries = 0;        // entries the file really holds
    int paletteSlots = 0;          // 2^bits for depths up to 8, else 0
};

// Enough leading bytes for any header and palette parseBmpLayout accepts.
inline constexpr std::size_t kMaxInfoSize = 1024;
inline constexpr std::size_t kLayoutHeadBytes = kFileHeaderSize + kMaxInfoSize + 256 * 4;

// head holds the first headSize bytes of a file of fileSize bytes (all of it,
// or at least kLayoutHeadBytes). Nothing when the file cannot be read safely
// or is compressed.
std::optional<BmpLayout> parseBmpLayout(const std::uint8_t* head, std::size_t headSize,
                                        std::uint64_t fileSize);

} // namespace trevalin
