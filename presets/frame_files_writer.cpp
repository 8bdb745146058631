#include "presets/frame_files_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "image/dib_image.h"
#include "presets/png_file.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

class FrameFilesWriter : public FrameSink {
  public:
    FrameFilesWriter(std::string directory, bool png, std::string presetText)
        : directory_(std::move(directory)), png_(png), presetText_(std::move(presetText)) {}

    void open(const MovieParams& params, ErrorReporter report) override {
        report_ = std::move(report);
        index_ = params.firstFrame; // a range's frames keep their place in the movie
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);
        if (ec || !std::filesystem::is_directory(directory_)) {
            report_("Can't create folder " + directory_ + ": " +
                    (ec ? ec.message() : std::string("not a folder")));
            return;
        }
        open_ = true;
    }

    int addFrame(const DibImage& image) override {
        if (!open_) return 1;
        const std::string path =
            (std::filesystem::path(directory_) / frameFileName(index_, png_)).string();
        std::string error;
        const bool ok =
            png_ ? writePngFile(image, path, error, presetText_) : image.saveFile(path, error);
        if (!ok) {
            report_("Can't write frame: " + error);
            return 0;
        }
        ++index_;
        return 1;
    }

    void finish() override {}
    void close() override { open_ = false; }

  private:
    std::string directory_;
    bool png_;
    std::string presetText_;
    ErrorReporter report_;
    bool open_ = false;
    int index_ = 0;
};

} // namespace

std::string frameFileName(int index, bool png) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%05d.%s", index, png ? "png" : "bmp");
    return name;
}

std::string existingFirstFrame(const std::string& directory) {
    for (const bool png : {true, false}) {
        std::string name = frameFileName(0, png);
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::path(directory) / name, ec)) return name;
    }
    return {};
}

std::unique_ptr<FrameSink> makeFrameFilesWriter(const std::string& directory, bool png,
                                                std::string presetText) {
    return std::make_unique<FrameFilesWriter>(directory, png, std::move(presetText));
}

std::unique_ptr<FrameSink> makeFramesFolderWriter(const MovieParams& params,
                                                  std::string presetText) {
    static const int pngCodec = movieCodecByName("png");
    return makeFrameFilesWriter(params.path, params.codec == pngCodec, std::move(presetText));
}

} // namespace trevalin
