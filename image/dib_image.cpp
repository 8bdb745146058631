#include "image/dib_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "formula/arith.h"
#include "image/bmp_format.h"

namespace trevalin {
namespace {

bool sizeAllowed(int width, int height) {
    return width >= 1 && width <= kMaxImageRows && height >= 1 && height <= kMaxImageRows;
}

// The image-relative coordinate a sample reads: the fractional part when
// tiling, else pinned to [0, 1] with NaN at 0.
double mapCoordinate(double c, bool tile) {
    if (tile) return c - std::floor(c);
    if (!(c >= 0.0)) return 0.0;
    return c > 1.0 ? 1.0 : c;
}

} // namespace

bool DibImage::create(int width, int height) {
    release();
    if (!sizeAllowed(width, height)) return false;
    const std::uint32_t stride = 4u * static_cast<std::uint32_t>(width);
    try {
        info_.assign(kInfoHeaderSize, 0);
        pixels_.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
        rows_.reserve(static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        release();
        return false;
    }
    std::uint8_t* info = info_.data();
    putLe32(info + kInfoSizeAt, kInfoHeaderSize);
    putLe32(info + kWidthAt, static_cast<std::uint32_t>(width));
    putLe32(info + kHeightAt, static_cast<std::uint32_t>(height));
    putLe16(info + kPlanesAt, 1);
    putLe16(info + kBitsAt, 32);
    putLe32(info + kXResolutionAt, kResolution);
    putLe32(info + kYResolutionAt, kResolution);
    stride_ = stride;
    dataSize_ = static_cast<std::int32_t>(pixels_.size());
    width_ = width;
    height_ = height;
    buildRowTable();
    return true;
}

bool DibImage::resize(int width, int height) {
    if (!sizeAllowed(width, height)) return false;
    // Only a 32-bit image can be reinterpreted as rows of pixel words.
    if (!hasData() || bitsPerPixel() != 32) return create(width, height);
    const std::uint32_t stride = 4u * static_cast<std::uint32_t>(width);
    try {
        // Reserve the row table first so that nothing can fail once the
        // pixel block has moved.
        rows_.reserve(static_cast<std::size_t>(height));
        pixels_.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return false; // the block has not moved; the image is as it was
    }
    stride_ = stride;
    dataSize_ = static_cast<std::int32_t>(pixels_.size());
    width_ = width;
    height_ = height;
    putLe32(info_.data() + kWidthAt, static_cast<std::uint32_t>(width));
    putLe32(info_.data() + kHeightAt, static_cast<std::uint32_t>(height));
    buildRowTable();
    return true;
}

void DibImage::release() {
    // Swapping with empty vectors gives the memory back, not just the sizes.
    std::vector<std::uint8_t*>().swap(rows_);
    std::vector<std::uint8_t>().swap(info_);
    std::vector<std::uint8_t>().swap(pixels_);
    std::memset(fileHeader_, 0, sizeof fileHeader_);
    stride_ = 0;
    dataSize_ = 0;
    width_ = 0;
    height_ = 0;
    paletteEntries_ = 0;
}

void DibImage::buildRowTable() {
    rows_.clear();
    if (!hasData()) return;
    const bool topDown = static_cast<std::int32_t>(getLe32(info_.data() + kHeightAt)) < 0;
    rows_.resize(static_cast<std::size_t>(height_)); // callers have reserved the room
    for (int r = 0; r < height_; ++r) {
        const int stored = topDown ? r : height_ - 1 - r;
        rows_[static_cast<std::size_t>(r)] =
            pixels_.data() + static_cast<std::size_t>(stored) * stride_;
    }
}

int DibImage::bitsPerPixel() const {
    return info_.size() >= kInfoHeaderSize ? getLe16(info_.data() + kBitsAt) : 0;
}

void DibImage::fillBlock(int column, int row, int size, std::uint32_t colour) {
    // Pixel words exist only in a 32-bit image; elsewhere a word would run past
    // the end of a row.
    if (!hasData() || bitsPerPixel() != 32 || size <= 0) return;
    const long long left = std::max<long long>(column, 0);
    const long long top = std::max<long long>(row, 0);
    const long long right = std::min<long long>(static_cast<long long>(column) + size, width_);
    const long long bottom = std::min<long long>(static_cast<long long>(row) + size, height_);
    for (long long r = top; r < bottom; ++r) {
        std::uint32_t* line = this->row(static_cast<int>(r));
        for (long long c = left; c < right; ++c)
            line[c] = colour;
    }
}

std::uint32_t DibImage::fetchPixel(int column, int row) const {
    if (column < 0 || row < 0 || column >= width_ || row >= height_ || !hasData() ||
        static_cast<std::size_t>(row) >= rows_.size())
        return 0;
    const std::uint8_t* line = rows_[static_cast<std::size_t>(row)];
    const auto at = static_cast<std::size_t>(column);
    std::uint32_t red = 0, green = 0, blue = 0;
    switch (bitsPerPixel()) {
    case 8: {
        // The info block always holds 256 entries; those the file did not
        // store are zeros, so their pixels are black.
        const std::uint8_t* entry = info_.data() + kInfoHeaderSize + 4 * std::size_t{line[at]};
        blue = entry[0];
        green = entry[1];
        red = entry[2];
        break;
    }
    case 16: {
        const std::uint32_t word = getLe16(line + 2 * at);
        // Five bits widen to eight; an odd value fills the low bits so that
        // full intensity reaches 255.
        const auto widen = [](std::uint32_t c) { return c * 8 + ((c & 1) ? 7 : 0); };
        blue = widen(word & 0x1F);
        green = widen((word >> 5) & 0x1F);
        red = widen((word >> 10) & 0x1F);
        break;
    }
    case 24:
    case 32: {
        const std::uint8_t* pixel = line + (bitsPerPixel() / 8) * at;
        blue = pixel[0];
        green = pixel[1];
        red = pixel[2];
        break;
    }
    default: return 0;
    }
    return red | green << 8 | blue << 16;
}

std::uint32_t DibImage::sample(double u, double v, bool tile) const {
    // NaN or infinity while tiling maps to NaN, which truncates to INT32_MIN:
    // outside the image, so black.
    int column = truncToInt32(width_ * mapCoordinate(u, tile));
    int row = truncToInt32(height_ * mapCoordinate(v, tile));
    if (column == width_) column = width_ - 1;
    if (row == height_) row = height_ - 1;
    return fetchPixel(column, row);
}

} // namespace trevalin
