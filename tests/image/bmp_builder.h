// Builds BMP files byte by byte for the image tests, including wrong ones.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace trevalin::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The packed pixel fetchPixel returns: red in the lowest byte.
constexpr std::uint32_t packed(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return red | green << 8 | blue << 16;
}

struct BmpShape {
    std::int32_t width = 1;
    std::int32_t height = 1; // negative: rows top-down
    std::uint16_t bits = 24;
    std::uint32_t infoSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> palette; // 0x00RRGGBB, written blue, green, red, 0
    std::vector<std::uint32_t> masks;   // after a 40-byte header, inside a longer one
    std::optional<std::uint32_t> pixelOffset;
    std::optional<std::uint32_t> fileSize;
};

// rows: pixel bytes in file order (first stored row first), each padded here
// with zeros to a multiple of 4 bytes.
inline Bytes buildBmp(const BmpShape& shape, const std::vector<Bytes>& rows) {
    const std::size_t masksOutside = shape.infoSize == 40 ? 4 * shape.masks.size() : 0;
    const std::size_t offset = 14 + shape.infoSize + masksOutside + 4 * shape.palette.size();
    Bytes b(offset);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, shape.pixelOffset.value_or(static_cast<std::uint32_t>(offset)));
    put32(b, 14, shape.infoSize);
    put32(b, 18, static_cast<std::uint32_t>(shape.width));
    put32(b, 22, static_cast<std::uint32_t>(shape.height));
    put16(b, 26, 1);
    put16(b, 28, shape.bits);
    put32(b, 30, shape.compression);
    put32(b, 38, 2834);
    put32(b, 42, 2834);
    put32(b, 46, shape.coloursUsed);
    for (std::size_t i = 0; i < shape.masks.size(); ++i)
        put32(b, 54 + 4 * i, shape.masks[i]);
    std::size_t at = 14 + shape.infoSize + masksOutside;
    for (std::uint32_t entry : shape.palette) {
        b[at] = static_cast<std::uint8_t>(entry);
        b[at + 1] = static_cast<std::uint8_t>(entry >> 8);
        b[at + 2] = static_cast<std::uint8_t>(entry >> 16);
        at += 4;
    }
    for (const Bytes& row : rows) {
        b.insert(b.end(), row.begin(), row.end());
        b.resize(b.size() + (4 - row.size() % 4) % 4, 0);
    }
    put32(b, 2, shape.fileSize.value_or(static_cast<std::uint32_t>(b.size())));
    return b;
}

} // namespace trevalin::test
