#include "cli/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/colour_word.h"
#include "render/dib_image.h"

namespace trevalin {
namespace {

// libpng reports errors by longjmp; keep everything that needs cleaning up
// outside the function that calls setjmp.
bool writeRows(std::FILE* file, const DibImage& image, std::string& error) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        error = "cannot set up the PNG writer";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(static_cast<std::size_t>(image.Width()) * 3);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "PNG encoding failed";
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width()),
                 static_cast<png_uint_32>(image.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int r = 0; r < image.Height(); ++r) {
        const std::uint32_t* words = image.Row(r);
        for (int c = 0; c < image.Width(); ++c) {
            row[3 * c] = static_cast<png_byte>(wordRed(words[c]));
            row[3 * c + 1] = static_cast<png_byte>(wordGreen(words[c]));
            row[3 * c + 2] = static_cast<png_byte>(wordBlue(words[c]));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePngFile(const DibImage& image, const std::string& path, std::string& error) {
    if (!image.HasData()) {
        error = "the image is empty";
        return false;
    }
    const std::string temp = path + ".part";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = writeRows(file, image, error);
    if (std::fflush(file) != 0 && ok) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

} // namespace trevalin
