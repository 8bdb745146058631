#include "movie/ffmpeg_writer_base.h"

#include "movie/ffmpeg_library.h"

namespace trevalin {

void FfmpegWriterBase::open(const MovieParams& params, ErrorReporter report) {
    close();
    report_ = std::move(report);
    if (!openSteps(params)) {
        if (container_ && container_->pb) ffmpeg().avio_closep(&container_->pb);
        file_.discard();
    }
}

bool FfmpegWriterBase::fail(const std::string& message) {
    if (report_) report_(message);
    return false;
}

std::string FfmpegWriterBase::errorText(int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    ffmpeg().av_strerror(code, reason, sizeof reason);
    return reason;
}

void FfmpegWriterBase::completeFile() {
    if (samples_ == 0) {
        // FFmpeg would store a movie without a track; keep no file instead.
        ffmpeg().avio_closep(&container_->pb);
        file_.discard();
        return;
    }
    // The trailer writes the index (moov in QuickTime and MP4) that makes the
    // samples a movie.
    int r = ffmpeg().av_write_trailer(container_);
    const int closed = ffmpeg().avio_closep(&container_->pb);
    if (r >= 0) r = closed;
    if (r < 0) {
        file_.discard();
        failFile(r);
        return;
    }
    std::string error;
    if (!file_.commit(error)) failFile(AVERROR(file_.lastErrno()));
}

void FfmpegWriterBase::releaseFile() {
    if (container_ && container_->pb) ffmpeg().avio_closep(&container_->pb);
    file_.discard(); // only still there when finish did not complete the movie
    ffmpeg().avformat_free_context(container_);
    container_ = nullptr;
    stream_ = nullptr;
    open_ = failed_ = false;
    samples_ = 0;
}

} // namespace trevalin
