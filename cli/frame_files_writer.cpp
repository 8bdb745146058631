#include "cli/frame_files_writer.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "render/dib_image.h"

namespace trevalin {
namespace {

class FrameFilesWriter : public FrameSink {
  public:
    explicit FrameFilesWriter(std::string directory) : directory_(std::move(directory)) {}

    void Open(const MovieParams&, ErrorReporter report) override {
        report_ = std::move(report);
        std::error_code ec;
        std::filesystem::create_directories(directory_, ec);
        if (ec || !std::filesystem::is_directory(directory_)) {
            report_("Can't create folder " + directory_ + ": " +
                    (ec ? ec.message() : std::string("not a folder")));
            return;
        }
        open_ = true;
    }

    int AddFrame(const DibImage& image) override {
        if (!open_) return 1;
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.bmp", count_);
        const std::string path = (std::filesystem::path(directory_) / name).string();
        std::string error;
        if (!image.SaveFile(path, error)) {
            report_("Can't write frame: " + error);
            return 0;
        }
        ++count_;
        return 1;
    }

    void Finish() override {}
    void Close() override { open_ = false; }

  private:
    std::string directory_;
    ErrorReporter report_;
    bool open_ = false;
    int count_ = 0;
};

} // namespace

std::unique_ptr<FrameSink> makeFrameFilesWriter(const std::string& directory) {
    return std::make_unique<FrameFilesWriter>(directory);
}

} // namespace trevalin
