// Reading source images. files come from anywhere, so nothing is trusted until
// parseBmpLayout has checked it against the bytes really present.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "image/bmp_format.h"
#include "image/dib_image.h"

namespace trevalin {

void DibImage::loadFromBytes(const std::uint8_t* bytes, std::size_t size) {
    release();
    const std::optional<BmpLayout> layout = parseBmpLayout(bytes, size, size);
    if (!layout) return;
    try {
        const std::uint8_t* rows = bytes + layout->pixelOffset;
        const std::size_t dataSize = static_cast<std::size_t>(layout->stride) * layout->height;
        adopt(*layout, bytes, std::vector<std::uint8_t>(rows, rows + dataSize));
    } catch (const std::bad_alloc&) {
        release();
    }
}

void DibImage::load(const std::string& path) {
    release();
    // Only the headers and the rows are read, never the whole file: a huge
    // file, or a device that never ends, costs no more than its image.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error) return;
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    try {
        std::vector<std::uint8_t> head(
            static_cast<std::size_t>(std::min<std::uintmax_t>(fileSize, kLayoutHeadBytes)));
        if (!in.read(reinterpret_cast<char*>(head.data()),
                     static_cast<std::streamsize>(head.size())))
            return;
        const std::optional<BmpLayout> layout = parseBmpLayout(head.data(), head.size(), fileSize);
        if (!layout) return;
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(layout->stride) * layout->height);
        // A file that shrank since it was measured fails here.
        if (!in.seekg(static_cast<std::streamoff>(layout->pixelOffset)) ||
            !in.read(reinterpret_cast<char*>(pixels.data()),
                     static_cast<std::streamsize>(pixels.size())))
            return;
        adopt(*layout, head.data(), std::move(pixels));
    } catch (const std::bad_alloc&) {
        release();
    }
}

void DibImage::adopt(const BmpLayout& layout, const std::uint8_t* head,
                     std::vector<std::uint8_t> pixels) {
    // The info block becomes a plain 40-byte header with a full-size palette
    // (zeros where the file stored none), so whoever displays it and
    // fetchPixel see the same colours.
    std::vector<std::uint8_t> info(kInfoHeaderSize +
                                   4 * static_cast<std::size_t>(layout.paletteSlots));
    std::memcpy(info.data(), head + kFileHeaderSize, kInfoHeaderSize);
    putLe32(info.data() + kInfoSizeAt, kInfoHeaderSize);
    putLe32(info.data() + kCompressionAt, 0); // accepted bit fields equal the plain layout
    putLe32(info.data() + kColoursUsedAt, 0);
    putLe32(info.data() + kColoursImportantAt, 0);
    std::memcpy(info.data() + kInfoHeaderSize, head + layout.paletteOffset,
                4 * static_cast<std::size_t>(layout.paletteEntries));
    rows_.reserve(static_cast<std::size_t>(layout.height));

    std::memcpy(fileHeader_, head, kFileHeaderSize);
    info_ = std::move(info);
    pixels_ = std::move(pixels);
    stride_ = layout.stride;
    dataSize_ = static_cast<std::int32_t>(pixels_.size());
    width_ = layout.width;
    height_ = layout.height;
    paletteEntries_ = layout.paletteEntries;
    buildRowTable();
}

} // namespace trevalin
