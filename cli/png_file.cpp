#include "cli/png_file.h"

#include <png.h>

#include <new>
#include <string_view>
#include <vector>

#include "base/replacement_file.h"
#include "render/colour_word.h"
#include "render/dib_image.h"

namespace trevalin {
namespace {

// The encoded file collects in memory, so it reaches the disk in one
// replacement (compressed, it is smaller than the picture itself).
struct PngBytes {
    std::vector<png_byte> bytes;
    std::string problem;
};

void appendBytes(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<PngBytes*>(png_get_io_ptr(png));
    try {
        out->bytes.insert(out->bytes.end(), data, data + size);
    } catch (const std::bad_alloc&) {
        out->problem = "out of memory";
        png_error(png, "out of memory");
    }
}

void noFlush(png_structp) {}

void keepError(png_structp png, png_const_charp message) {
    auto* out = static_cast<PngBytes*>(png_get_error_ptr(png));
    if (out->problem.empty()) out->problem = message;
    png_longjmp(png, 1);
}

// libpng reports errors by longjmp; keep everything that needs cleaning up
// outside the function that calls setjmp.
bool encodeRows(PngBytes& out, const DibImage& image, std::vector<png_byte>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, keepError, nullptr);
    if (!png) {
        out.problem = "cannot set up the PNG writer";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (out.problem.empty()) out.problem = "PNG encoding failed";
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
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
        error = "cannot write " + path + ": the image is empty";
        return false;
    }
    PngBytes out;
    try {
        std::vector<png_byte> row(static_cast<std::size_t>(image.Width()) * 3);
        if (!encodeRows(out, image, row)) {
            error = "cannot write " + path + ": " + out.problem;
            return false;
        }
    } catch (const std::bad_alloc&) {
        error = "cannot write " + path + ": out of memory";
        return false;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(out.bytes.data()), out.bytes.size());
    return replaceFileContents(path, bytes, error);
}

} // namespace trevalin
