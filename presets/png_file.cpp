#include "presets/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/replacement_file.h"
#include "image/dib_image.h"
#include "presets/picture_preset.h"
#include "render/colour_word.h"

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
bool encodeRows(PngBytes& out, const DibImage& image, std::vector<png_byte>& row,
                const std::string& presetText) {
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
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!presetText.empty()) {
        png_text text{};
        text.compression = PNG_ITXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>(kPictureChunkKeyword);
        text.text = const_cast<char*>(presetText.c_str());
        text.itxt_length = presetText.size();
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    for (int r = 0; r < image.height(); ++r) {
        const std::uint32_t* words = image.row(r);
        for (int c = 0; c < image.width(); ++c) {
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

// libpng drops a text chunk it cannot take (too large, damaged) with a
// warning; keep the last one to say why no preset was found.
void keepWarning(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
}

bool readText(std::FILE* file, std::string& text, std::string& error) {
    std::string warning;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &warning, nullptr, keepWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "cannot set up the PNG reader";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        error = "not a readable PNG file, or its text is too large";
        return false;
    }
    // A decompressed chunk larger than this ends the read (longjmp above)
    // before it can take memory.
    png_set_chunk_malloc_max(png, kPictureChunkLimit + 4096);
    png_init_io(png, file);
    png_read_info(png, info);
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i)
        if (std::strcmp(texts[i].key, kPictureChunkKeyword) == 0) {
            const std::size_t length = texts[i].compression >= PNG_ITXT_COMPRESSION_NONE
                                           ? texts[i].itxt_length
                                           : texts[i].text_length;
            text.assign(texts[i].text, length);
            found = true;
        }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!found)
        error = warning.empty() ? "the picture carries no Trevalin preset"
                                : "the picture's text could not be read: " + warning;
    return found;
}

} // namespace

bool readPngPresetText(const std::string& path, std::string& text, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = readText(file, text, error);
    std::fclose(file);
    if (!ok) error = path + ": " + error;
    return ok;
}

bool readPngFile(const std::string& path, DibImage& image, std::string& error) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    errno = 0; // set by a failed open only
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = path + ": " + (errno ? std::strerror(errno) : png.message);
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    const int width = static_cast<int>(png.width), height = static_cast<int>(png.height);
    if (width > kMaxImageRows || height > kMaxImageRows || !image.create(width, height)) {
        error = path + ": a picture of " + std::to_string(png.width) + " x " +
                std::to_string(png.height) + " is too large";
        png_image_free(&png);
        return false;
    }
    std::vector<png_byte> rgb;
    try {
        rgb.resize(PNG_IMAGE_SIZE(png));
    } catch (const std::bad_alloc&) {
        error = path + ": out of memory";
        png_image_free(&png);
        return false;
    }
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
        error = path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    const png_byte* in = rgb.data();
    for (int r = 0; r < height; ++r) {
        std::uint32_t* words = image.row(r);
        for (int c = 0; c < width; ++c, in += 3)
            words[c] = colourWord(in[0], in[1], in[2]);
    }
    return true;
}

bool writePngFile(const DibImage& image, const std::string& path, std::string& error,
                  const std::string& presetText) {
    if (!image.hasData()) {
        error = "cannot write " + path + ": the image is empty";
        return false;
    }
    PngBytes out;
    try {
        std::vector<png_byte> row(static_cast<std::size_t>(image.width()) * 3);
        if (!encodeRows(out, image, row, presetText)) {
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
