// Where a movie render's finished frames go. The render job calls the four
// operations in order, each under its render lock: open, addFrame per finished
// frame, finish (also after a stop or an error), close. The movie writer and
// the frame-files writer implement it; the job knows only this interface.
#pragma once

#include <functional>
#include <string>

namespace trevalin {

class DibImage;

struct MovieParams {
    int width = 0;
    int height = 0;
    int codec = 3;     // 0 "Raw", 1 "Animation", 2 "Graphics", 3 "Motion JPEG A",
                       // 4 "Motion JPEG B", 5 "Cinepak"
    int depth = 2;     // 0 "8-bit", 1 "16-bit", 2 "24-bit"; others 16-bit
    int dither = 0;    // dither the reduction to 8 and 16 bits
    int colormode = 0; // 0 (Grayscale) picks the grey ramp at 8 bits
    double framerate = 10.0;
    std::string path;
    int firstFrame = 0; // the movie's index of the first frame added
};

class FrameSink {
  public:
    // Writes the failure text into the job's status line and stops the job.
    using ErrorReporter = std::function<void(const std::string& message)>;

    virtual ~FrameSink() = default;
    // Creates the file and everything needed to add frames; failures go through
    // report, and the job then calls finish and close at once.
    virtual void open(const MovieParams& params, ErrorReporter report) = 0;
    // Appends the finished frame as one sample; 1 to go on, 0 after an error.
    virtual int addFrame(const DibImage& image) = 0;
    // Completes the file with the frames added so far.
    virtual void finish() = 0;
    // Releases everything.
    virtual void close() = 0;
};

} // namespace trevalin
