#include "movie/ffmpeg_writer_base.h"

#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace trevalin {

FfmpegWriterBase::FfmpegWriterBase() {
    // Failures reach the user through the reporter; FFmpeg's own chatter
    // (warnings about pixel formats and the like) would only fill the terminal.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
}

void FfmpegWriterBase::open(const MovieParams& params, ErrorReporter report) {
    close();
    report_ = std::move(report);
    if (!openSteps(params)) {
        if (container_ && container_->pb) avio_closep(&container_->pb);
        file_.discard();
    }
}

bool FfmpegWriterBase::fail(const std::string& message) {
    if (report_) report_(message);
    return false;
}

std::string FfmpegWriterBase::errorText(int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, reason, sizeof reason);
    return reason;
}

void FfmpegWriterBase::completeFile() {
    if (samples_ == 0) {
        // FFmpeg would store a movie without a track; keep no file instead.
        avio_closep(&container_->pb);
        file_.discard();
        return;
    }
    // The trailer writes the index (moov in QuickTime and MP4) that makes the
    // samples a movie.
    int r = av_write_trailer(container_);
    const int closed = avio_closep(&container_->pb);
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
    if (container_ && container_->pb) avio_closep(&container_->pb);
    file_.discard(); // only still there when finish did not complete the movie
    avformat_free_context(container_);
    container_ = nullptr;
    stream_ = nullptr;
    open_ = failed_ = false;
    samples_ = 0;
}

} // namespace trevalin
