// The one bitmap type: the 32-bit render target (0x00RRGGBB words, rows stored
// bottom-up as in a BMP file) and source images read from 8, 16, 24 and 32-bit
// BMP files. Holds no lock; the render job serialises pixel writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trevalin {

inline constexpr int kMaxImageRows = 16000;

struct BmpLayout;

class DibImage {
  public:
    DibImage() = default;

    // A 32-bit image of width x height, all black. False (and an empty image)
    // when a size is outside 1..16000 or the allocation fails.
    bool create(int width, int height);
    // Changes the size of a created image in place; old bytes stay and are read
    // with the new geometry until the next render overwrites them.
    bool resize(int width, int height);
    // Reads a BMP file. Anything that cannot be read safely leaves an empty image
    // (every fetch 0); there is no message.
    void load(const std::string& path);
    // Reads a BMP file already in memory, with the same rules as load.
    void loadFromBytes(const std::uint8_t* bytes, std::size_t size);
    // The image as a 24-bit BMP file; 0 (and nothing appended) without data.
    int save(std::vector<std::uint8_t>& out) const;
    // Writes the 24-bit BMP to path; false when the image has no data or the
    // file cannot be written.
    bool saveFile(const std::string& path) const;
    // The same; on failure error names the path and the reason.
    bool saveFile(const std::string& path, std::string& error) const;
    void release();

    // Row r counted from the top; valid for 0 <= r < height() of a 32-bit image.
    std::uint32_t* row(int r) { return reinterpret_cast<std::uint32_t*>(rows_[r]); }
    const std::uint32_t* row(int r) const {
        return reinterpret_cast<const std::uint32_t*>(rows_[r]);
    }
    // Sets a size x size square whose top-left pixel is (column, row), clipped.
    void fillBlock(int column, int row, int size, std::uint32_t colour);
    // 0x00BBGGRR (red in the lowest byte); 0 outside, without data, or for
    // depths other than 8, 16, 24, 32.
    std::uint32_t fetchPixel(int column, int row) const;
    // The pixel under (u, v) in image-relative coordinates, clamped (tile false)
    // or tiled (tile true).
    std::uint32_t sample(double u, double v, bool tile) const;

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const;
    bool hasData() const { return !info_.empty() && !pixels_.empty(); }
    // The 40-byte info header (and palette, for files with one), then the pixels
    // bottom-up, as a device-independent bitmap hands them to a display.
    const std::uint8_t* infoBlock() const { return info_.data(); }
    const std::uint8_t* pixelData() const { return pixels_.data(); }
    std::uint32_t stride() const { return stride_; }

  private:
    void buildRowTable();
    // Takes over a checked file: its headers from head, its rows in pixels.
    void adopt(const BmpLayout& layout, const std::uint8_t* head, std::vector<std::uint8_t> pixels);

    std::uint32_t stride_ = 0;
    std::int32_t dataSize_ = 0;
    std::uint8_t fileHeader_[14] = {};
    std::vector<std::uint8_t*> rows_;
    std::vector<std::uint8_t> info_;
    std::vector<std::uint8_t> pixels_;
    int width_ = 0;
    int height_ = 0;
    int paletteEntries_ = 0; // entries stored in the file, for 8-bit images
};

} // namespace trevalin
