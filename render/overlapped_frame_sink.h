// A frame sink that hands each frame to a thread of its own, so encoding frame
// k overlaps rendering frame k + 1. It holds one frame at most: adding the next
// waits for the one before. The wrapped sink sees the same calls in the same
// order with the same pixels; its messages reach the job's reporter on the
// job's thread, at the next call.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "image/dib_image.h"
#include "render/frame_sink.h"

namespace trevalin {

class OverlappedFrameSink : public FrameSink {
  public:
    explicit OverlappedFrameSink(std::unique_ptr<FrameSink> inner);
    ~OverlappedFrameSink() override;

    void open(const MovieParams& params, ErrorReporter report) override;
    // Copies the frame and returns; 0 when an earlier frame failed (that frame
    // is then not handed on).
    int addFrame(const DibImage& image) override;
    void finish() override;
    void close() override;

  private:
    void encodeLoop();
    // Waits until the encoder holds no frame; false once a frame failed.
    bool waitForEncoder();
    // Passes on the messages the wrapped sink gave since the last call.
    void deliverMessages();
    void stopEncoder();

    std::unique_ptr<FrameSink> inner_;
    ErrorReporter report_;
    DibImage frame_; // the copy being encoded
    std::thread encoder_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false; // frame_ waits for or is in encoding
    bool failed_ = false;
    bool quit_ = false;
    std::vector<std::string> messages_;
};

} // namespace trevalin
