// What the two writers on FFmpeg's libraries share (made only once
// loadFfmpeg has loaded them): the failure reporter, the container written to
// a temporary file beside the target, and the steps that open, complete and
// drop that file. Each writer adds its encoder, its frames and its messages.
#pragma once

#include <cstdint>
#include <string>

#include "base/replacement_file.h"
#include "movie/movie_writer.h"

struct AVFormatContext;
struct AVStream;

namespace trevalin {

class FfmpegWriterBase : public MovieWriter {
  public:
    // Closes what was open, then runs openSteps; when a step fails, nothing
    // that claims to be a movie stays behind.
    void open(const MovieParams& params, ErrorReporter report) final;

  protected:
    // Creates the container, encoder and file; false after reporting.
    virtual bool openSteps(const MovieParams& params) = 0;
    // Reports a failure of the movie file itself (code: an AVERROR); false.
    virtual bool failFile(int code) = 0;

    // Reports message; returns false so that steps can end with it.
    bool fail(const std::string& message);
    // What FFmpeg says an AVERROR code means.
    static std::string errorText(int code);

    // Writes the index and gives the file its name, or, without a sample,
    // leaves no file and whatever was at the path before.
    void completeFile();
    // Closes and removes the temporary file and frees the container.
    void releaseFile();

    ErrorReporter report_;
    std::string path_;
    ReplacementFile file_;
    AVFormatContext* container_ = nullptr;
    AVStream* stream_ = nullptr;
    bool open_ = false;   // header written: frames can be added
    bool failed_ = false; // a frame could not be added
    std::int64_t samples_ = 0;
};

} // namespace trevalin
