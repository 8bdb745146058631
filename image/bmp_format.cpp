#include "image/bmp_format.h"

#include <algorithm>
#include <limits>

#include "image/dib_image.h"

namespace trevalin {
namespace {

constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;

// Bit-field files are read only when their masks describe exactly the layout
// the uncompressed reader decodes; anything else (5-6-5, swapped channels)
// would come out in wrong colours, so it stays unread.
bool masksMatchPlainLayout(const std::uint8_t* head, std::size_t headSize,
                           std::uint64_t pixelOffset, std::uint16_t bits) {
    constexpr std::size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
    constexpr std::size_t masksEnd = masksAt + 12;
    if (masksEnd > headSize || masksEnd > pixelOffset) return false;
    const std::uint32_t red = getLe32(head + masksAt);
    const std::uint32_t green = getLe32(head + masksAt + 4);
    const std::uint32_t blue = getLe32(head + masksAt + 8);
    if (bits == 16) return red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
    if (bits == 32) return red == 0xFF0000 && green == 0xFF00 && blue == 0xFF;
    return false;
}

} // namespace

std::optional<BmpLayout> parseBmpLayout(const std::uint8_t* head, std::size_t headSize,
                                        std::uint64_t fileSize) {
    if (head == nullptr || headSize > fileSize) return std::nullopt;
    if (headSize < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') return std::nullopt;

    // The file-size field is not consulted: writers get it wrong often, and the
    // checks below only ever trust the bytes really present.
    BmpLayout layout;
    layout.pixelOffset = getLe32(head + kPixelOffsetAt);
    const std::uint32_t infoSize = getLe32(head + kFileHeaderSize + kInfoSizeAt);
    // Below 40 are the OS/2 core headers, whose fields sit elsewhere.
    if (infoSize < kInfoHeaderSize || infoSize > kMaxInfoSize) return std::nullopt;
    const std::size_t infoEnd = kFileHeaderSize + infoSize;
    if (infoEnd > headSize || infoEnd > layout.pixelOffset || layout.pixelOffset > fileSize)
        return std::nullopt;

    const std::uint8_t* info = head + kFileHeaderSize;
    layout.width = static_cast<std::int32_t>(getLe32(info + kWidthAt));
    const auto height = static_cast<std::int32_t>(getLe32(info + kHeightAt));
    if (layout.width <= 0 || height == 0 || height < -kMaxImageRows || height > kMaxImageRows)
        return std::nullopt;
    layout.topDown = height < 0;
    layout.height = layout.topDown ? -height : height;

    layout.bitsPerPixel = getLe16(info + kBitsAt);
    if (layout.bitsPerPixel == 0) return std::nullopt;
    const std::uint32_t compression = getLe32(info + kCompressionAt);
    if (compression != kUncompressed &&
        !(compression == kBitFields &&
          masksMatchPlainLayout(head, headSize, layout.pixelOffset, layout.bitsPerPixel)))
        return std::nullopt;

    // Rows are whole 32-bit words; in 64 bits nothing here can overflow.
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
    const std::uint64_t dataSize = stride * static_cast<std::uint64_t>(layout.height);
    if (dataSize > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    if (dataSize > fileSize - layout.pixelOffset) return std::nullopt;
    layout.stride = static_cast<std::uint32_t>(stride);

    // The palette follows the info header at the size the header gives itself.
    layout.paletteOffset = infoEnd;
    if (layout.bitsPerPixel <= 8) {
        layout.paletteSlots = 1 << layout.bitsPerPixel;
        const std::uint32_t declared = getLe32(info + kColoursUsedAt);
        const std::uint64_t wanted = declared == 0
                                         ? layout.paletteSlots
                                         : std::min<std::uint64_t>(declared, layout.paletteSlots);
        const std::uint64_t stored =
            (std::min<std::uint64_t>(layout.pixelOffset, headSize) - infoEnd) / 4;
        layout.paletteEntries = static_cast<int>(std::min(wanted, stored));
    }
    return layout;
}

} // namespace trevalin
