#include "render/overlapped_frame_sink.h"

#include <cstring>
#include <system_error>

namespace trevalin {

OverlappedFrameSink::OverlappedFrameSink(std::unique_ptr<FrameSink> inner)
    : inner_(std::move(inner)) {}

OverlappedFrameSink::~OverlappedFrameSink() {
    stopEncoder();
}

void OverlappedFrameSink::open(const MovieParams& params, ErrorReporter report) {
    report_ = std::move(report);
    // The wrapped sink reports from the encoder thread too; its messages are
    // kept and passed on from the job's thread, which holds the render lock.
    inner_->open(params, [this](const std::string& message) {
        std::lock_guard<std::mutex> hold(mutex_);
        messages_.push_back(message);
    });
    deliverMessages();
}

int OverlappedFrameSink::addFrame(const DibImage& image) {
    const bool ok = waitForEncoder();
    deliverMessages();
    if (!ok) return 0;
    if (frame_.width() != image.width() || frame_.height() != image.height()) {
        if (!frame_.create(image.width(), image.height())) {
            // No room for a copy: encode this frame here instead.
            const int result = inner_->addFrame(image);
            deliverMessages();
            if (!result) {
                std::lock_guard<std::mutex> hold(mutex_);
                failed_ = true;
            }
            return result;
        }
    }
    for (int r = 0; r < image.height(); ++r)
        std::memcpy(frame_.row(r), image.row(r),
                    static_cast<std::size_t>(image.width()) * sizeof(std::uint32_t));
    {
        std::lock_guard<std::mutex> hold(mutex_);
        pending_ = true;
    }
    if (!encoder_.joinable()) {
        try {
            encoder_ = std::thread([this] { encodeLoop(); });
        } catch (const std::system_error&) {
            // No thread to be had: encode here, as without overlap.
            {
                std::lock_guard<std::mutex> hold(mutex_);
                pending_ = false;
            }
            const int result = inner_->addFrame(frame_);
            deliverMessages();
            if (!result) {
                std::lock_guard<std::mutex> hold(mutex_);
                failed_ = true;
            }
            return result;
        }
    }
    changed_.notify_all();
    return 1;
}

void OverlappedFrameSink::finish() {
    waitForEncoder();
    deliverMessages();
    inner_->finish();
    deliverMessages();
}

void OverlappedFrameSink::close() {
    stopEncoder();
    inner_->close();
    deliverMessages();
}

void OverlappedFrameSink::encodeLoop() {
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
        changed_.wait(hold, [this] { return quit_ || pending_; });
        if (!pending_) return; // quit with nothing left
        hold.unlock();
        const int result = inner_->addFrame(frame_);
        hold.lock();
        if (!result) failed_ = true;
        pending_ = false;
        changed_.notify_all();
    }
}

bool OverlappedFrameSink::waitForEncoder() {
    std::unique_lock<std::mutex> hold(mutex_);
    changed_.wait(hold, [this] { return !pending_; });
    return !failed_;
}

void OverlappedFrameSink::deliverMessages() {
    std::vector<std::string> messages;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        messages.swap(messages_);
    }
    if (!report_) return;
    for (const std::string& m : messages)
        report_(m);
}

void OverlappedFrameSink::stopEncoder() {
    if (!encoder_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    encoder_.join();
}

} // namespace trevalin
