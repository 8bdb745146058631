#include "cli/assemble_frames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "cli/render_options.h"
#include "formula/arith.h"
#include "image/dib_image.h"
#include "movie/movie_writer.h"
#include "presets/frame_files_writer.h"
#include "presets/png_file.h"
#include "render/colour_word.h"
#include "render/movie_check.h"
#include "render/render_settings.h"

namespace trevalin {
namespace {

// A BMP frame in the render target's 32-bit layout.
bool readBmpFrame(const std::string& path, DibImage& frame, std::string& error) {
    DibImage file;
    file.load(path);
    if (!file.hasData() || !frame.create(file.width(), file.height())) {
        error = path + ": not a readable BMP file";
        return false;
    }
    for (int r = 0; r < file.height(); ++r)
        for (int c = 0; c < file.width(); ++c) {
            const std::uint32_t bgr = file.fetchPixel(c, r); // red in the low byte
            frame.row(r)[c] = colourWord(static_cast<std::int32_t>(bgr & 0xFF),
                                         static_cast<std::int32_t>(bgr >> 8 & 0xFF),
                                         static_cast<std::int32_t>(bgr >> 16 & 0xFF));
        }
    return true;
}

AssembleResult failed(int status, std::string error, int frames = 0) {
    return AssembleResult{status, std::move(error), frames};
}

} // namespace

AssembleResult assembleFrames(const std::string& folder, const RenderSettings& settings,
                              const std::string& path, const std::function<bool()>& stop) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return failed(kBadInput,
                      folder + ": " +
                          std::strerror(std::filesystem::exists(folder, ec) ? ENOTDIR : ENOENT));
    const int count = truncToInt32(settings.duration * settings.framerate);
    // Every frame must be there before the movie file is touched.
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path png = std::filesystem::path(folder) / frameFileName(i, true);
        const std::filesystem::path bmp = std::filesystem::path(folder) / frameFileName(i, false);
        if (std::filesystem::exists(png, ec))
            files.push_back(png.string());
        else if (std::filesystem::exists(bmp, ec))
            files.push_back(bmp.string());
        else
            return failed(kBadInput, png.string() + ": " + std::strerror(ENOENT) +
                                         " (the movie has " + std::to_string(count) +
                                         " frames, 0.." + std::to_string(count - 1) +
                                         "; render the missing ones with --range)");
    }

    DibImage frame;
    std::string error;
    auto readFrame = [&](const std::string& file) {
        const bool png = file.size() > 4 && file.compare(file.size() - 4, 4, ".png") == 0;
        return png ? readPngFile(file, frame, error) : readBmpFrame(file, frame, error);
    };
    if (count > 0 && !readFrame(files[0])) return failed(kBadInput, error);

    MovieParams params;
    params.width = frame.width();
    params.height = frame.height();
    params.codec = settings.codec;
    params.depth = settings.depth;
    params.dither = settings.dither;
    params.colormode = settings.colormode;
    params.framerate = settings.framerate;
    params.path = std::filesystem::absolute(path, ec).string();
    std::unique_ptr<MovieWriter> writer = makeMovieWriter();
    std::string writerError;
    writer->open(params, [&writerError](const std::string& m) { writerError = m; });
    int added = 0;
    AssembleResult result;
    for (int i = 0; writerError.empty() && i < count; ++i) {
        if (stop && stop()) break;
        if (i > 0 && !readFrame(files[std::size_t(i)])) {
            result = failed(kBadInput, error);
            break;
        }
        if (frame.width() != params.width || frame.height() != params.height) {
            result =
                failed(kBadInput, files[std::size_t(i)] + ": " + std::to_string(frame.width()) +
                                      " x " + std::to_string(frame.height()) + ", but frame 0 is " +
                                      std::to_string(params.width) + " x " +
                                      std::to_string(params.height));
            break;
        }
        if (!writer->addFrame(frame)) break;
        ++added;
    }
    writer->finish();
    writer->close();
    if (!writerError.empty()) return failed(kOutputFailed, writerError, added);
    result.frames = added;
    return result;
}

} // namespace trevalin
