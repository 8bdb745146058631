#include "image/dib_image.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/bmp_format.h"

namespace trevalin {
namespace {

bool sizeAllowed(int width, int height) {
    return width >= 1 && width <= kMaxImageRows && height >= 1 && height <= kMaxImageRows;
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
    view_ = SourceImage{};
}

void DibImage::buildRowTable() {
    rows_.clear();
    view_ = SourceImage{};
    if (!hasData()) return;
    const bool topDown = static_cast<std::int32_t>(getLe32(info_.data() + kHeightAt)) < 0;
    rows_.resize(static_cast<std::size_t>(height_)); // callers have reserved the room
    for (int r = 0; r < height_; ++r) {
        const int stored = topDown ? r : height_ - 1 - r;
        rows_[static_cast<std::size_t>(r)] =
            pixels_.data() + static_cast<std::size_t>(stored) * stride_;
    }
    buildSourceView(topDown);
}

void DibImage::buildSourceView(bool topDown) {
    SourceImage view;
    switch (bitsPerPixel()) {
    case 8:
        view.layout = SourceLayout::Palette8;
        // The info block always holds 256 entries for an 8-bit image.
        view.palette = info_.data() + kInfoHeaderSize;
        break;
    case 16: view.layout = SourceLayout::Rgb555; break;
    case 24: view.layout = SourceLayout::Bgr24; break;
    case 32: view.layout = SourceLayout::Bgrx32; break;
    default: return; // formulas read such an image as black
    }
    if (rows_.empty()) return;
    view.topRow = rows_.front();
    view.rowStride =
        topDown ? static_cast<std::ptrdiff_t>(stride_) : -static_cast<std::ptrdiff_t>(stride_);
    view.width = width_;
    view.height = height_;
    view_ = view;
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
    return view_.fetchPixel(column, row);
}

std::uint32_t DibImage::sample(double u, double v, bool tile) const {
    return view_.sample(u, v, tile);
}

} // namespace trevalin
