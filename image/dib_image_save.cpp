// Writing the image as a 24-bit BMP file.
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "base/replacement_file.h"
#include "image/bmp_format.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

// The size of the 24-bit file: rows padded to four bytes.
std::uint64_t bmpFileSize(int width, int height, std::uint64_t& rowSize) {
    rowSize = (3ull * static_cast<std::uint64_t>(width) + 3) & ~3ull;
    return kFileHeaderSize + kInfoHeaderSize + rowSize * static_cast<std::uint64_t>(height);
}

} // namespace

int DibImage::save(std::vector<std::uint8_t>& out) const {
    if (!hasData()) return 0;
    const int bits = bitsPerPixel();
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    std::uint64_t rowSize = 0;
    const std::uint64_t fileSize = bmpFileSize(width_, height_, rowSize);
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) return 0;

    const std::size_t start = out.size();
    try {
        out.resize(start + static_cast<std::size_t>(fileSize)); // zeros, so pad bytes are 0
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::uint8_t* file = out.data() + start;
    file[0] = 'B';
    file[1] = 'M';
    putLe32(file + kFileSizeAt, static_cast<std::uint32_t>(fileSize));
    putLe32(file + kPixelOffsetAt, kFileHeaderSize + kInfoHeaderSize);

    // The header is copied for its width and resolution. Everything that
    // describes how the pixels are stored is written fresh, as a loaded image
    // may have been top-down, paletted or bit-fielded.
    std::uint8_t* info = file + kFileHeaderSize;
    std::memcpy(info, info_.data(), kInfoHeaderSize);
    putLe32(info + kInfoSizeAt, kInfoHeaderSize);
    putLe32(info + kHeightAt, static_cast<std::uint32_t>(height_));
    putLe16(info + kPlanesAt, 1);
    putLe16(info + kBitsAt, 24);
    putLe32(info + kCompressionAt, 0);
    putLe32(info + kImageSizeAt, 0);
    putLe32(info + kColoursUsedAt, 0);
    putLe32(info + kColoursImportantAt, 0);

    std::uint8_t* line = info + kInfoHeaderSize;
    for (int j = 0; j < height_; ++j, line += rowSize) {
        const int row = height_ - 1 - j; // bottom row first
        for (int column = 0; column < width_; ++column) {
            const std::uint32_t colour = fetchPixel(column, row); // 0x00BBGGRR
            std::uint8_t* pixel = line + 3 * static_cast<std::size_t>(column);
            pixel[0] = static_cast<std::uint8_t>(colour >> 16);
            pixel[1] = static_cast<std::uint8_t>(colour >> 8);
            pixel[2] = static_cast<std::uint8_t>(colour);
        }
    }
    return 1;
}

bool DibImage::saveFile(const std::string& path) const {
    std::string error;
    return saveFile(path, error);
}

bool DibImage::saveFile(const std::string& path, std::string& error) const {
    std::vector<std::uint8_t> bytes;
    if (save(bytes) != 1) {
        std::uint64_t rowSize = 0;
        const char* reason =
            !hasData() ? "the image is empty"
            : bmpFileSize(width_, height_, rowSize) > std::numeric_limits<std::uint32_t>::max()
                ? "the image is too large for a BMP file"
                : "out of memory";
        error = "cannot write " + path + ": " + reason;
        return false;
    }
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return replaceFileContents(path, view, error);
}

} // namespace trevalin
