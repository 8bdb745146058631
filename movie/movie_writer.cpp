#include "movie/movie_writer.h"

#include "movie/ffmpeg_library.h"
#include "movie/writers.h"
#include "render/movie_codecs.h"

namespace trevalin {
namespace {

// Picks the writer for the codec's kind of file when the job opens the movie.
class ChoosingWriter final : public MovieWriter {
  public:
    explicit ChoosingWriter(FramesFolderFactory folderWriter)
        : folderWriter_(std::move(folderWriter)) {}

    void open(const MovieParams& params, ErrorReporter report) override {
        if (!validMovieCodec(params.codec)) {
            report("Unknown codec " + std::to_string(params.codec));
            return;
        }
        const MovieContainer container = kMovieCodecs[params.codec].container;
        if (container != MovieContainer::FramesFolder) {
            std::string error;
            if (!loadFfmpeg(error)) {
                report(error);
                return;
            }
        }
        switch (container) {
        case MovieContainer::QuickTime: writer_ = makeQuickTimeWriter(); break;
        case MovieContainer::Mp4:
        case MovieContainer::WebM:
        case MovieContainer::Gif: writer_ = makeSharedMovieWriter(); break;
        case MovieContainer::FramesFolder:
            if (folderWriter_) writer_ = folderWriter_(params);
            if (!writer_) {
                report(std::string(kMovieCodecs[params.codec].name) +
                       " are written by trevalin-render --frames, not into a movie file");
                return;
            }
            break;
        }
        writer_->open(params, std::move(report));
    }
    int addFrame(const DibImage& image) override { return writer_ ? writer_->addFrame(image) : 1; }
    void finish() override {
        if (writer_) writer_->finish();
    }
    void close() override {
        if (writer_) writer_->close();
        writer_.reset();
    }

  private:
    FramesFolderFactory folderWriter_;
    std::unique_ptr<MovieWriter> writer_;
};

} // namespace

std::unique_ptr<MovieWriter> makeMovieWriter(FramesFolderFactory folderWriter) {
    return std::make_unique<ChoosingWriter>(std::move(folderWriter));
}

} // namespace trevalin
