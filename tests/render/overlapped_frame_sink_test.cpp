// The encoder thread behind the frame sink: the wrapped sink sees the frames
// as they were when handed over, in order, off the render thread, and its
// failures reach the job's reporter on the render thread at the next call.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "image/dib_image.h"
#include "render/overlapped_frame_sink.h"

namespace trevalin {
namespace {

struct SinkLog {
    std::vector<std::string> calls;
    std::vector<std::uint32_t> frameSums;
    std::vector<std::thread::id> frameThreads;
};

// Records what it gets; fails opening, one frame or finishing on request.
class LoggingSink : public FrameSink {
  public:
    LoggingSink(SinkLog& log, bool failOpen, int failFrame, bool failFinish)
        : log_(log), failOpen_(failOpen), failFrame_(failFrame), failFinish_(failFinish) {}
    void open(const MovieParams&, ErrorReporter report) override {
        log_.calls.push_back("open");
        report_ = std::move(report);
        if (failOpen_) report_("cannot open");
    }
    int addFrame(const DibImage& image) override {
        const int index = static_cast<int>(log_.frameSums.size());
        log_.calls.push_back("frame " + std::to_string(index));
        std::uint32_t sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum = sum * 31 + image.row(y)[x];
        log_.frameSums.push_back(sum);
        log_.frameThreads.push_back(std::this_thread::get_id());
        if (index == failFrame_) {
            report_("frame " + std::to_string(index) + " failed");
            return 0;
        }
        return 1;
    }
    void finish() override {
        log_.calls.push_back("finish");
        if (failFinish_) report_("cannot finish");
    }
    void close() override { log_.calls.push_back("close"); }

  private:
    SinkLog& log_;
    ErrorReporter report_;
    bool failOpen_;
    int failFrame_;
    bool failFinish_;
};

std::uint32_t frameSum(const DibImage& image) {
    std::uint32_t sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum = sum * 31 + image.row(y)[x];
    return sum;
}

struct SinkRun {
    std::vector<int> results;              // addFrame's answers
    std::vector<std::string> messages;     // what reached the reporter
    std::vector<std::uint32_t> handedSums; // the frames as handed over
    bool messagesOnCallerThread = true;
};

// The job's pattern: open, add frames until one is refused, finish, close; the
// image is repainted for the next frame as soon as addFrame returns.
SinkRun drive(FrameSink& sink, int frames, int width, int height) {
    SinkRun run;
    const std::thread::id caller = std::this_thread::get_id();
    sink.open(MovieParams{}, [&](const std::string& m) {
        run.messages.push_back(m);
        if (std::this_thread::get_id() != caller) run.messagesOnCallerThread = false;
    });
    DibImage image;
    EXPECT_TRUE(image.create(width, height));
    if (run.messages.empty()) {
        for (int k = 0; k < frames; ++k) {
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    image.row(y)[x] = static_cast<std::uint32_t>(x * 3 + y * 5 + k * 1000);
            run.handedSums.push_back(frameSum(image));
            const int result = sink.addFrame(image);
            run.results.push_back(result);
            if (!result) break;
            // The next frame starts rendering into the same image at once.
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    image.row(y)[x] = 0xDEAD;
        }
    }
    sink.finish();
    sink.close();
    return run;
}

TEST(OverlappedFrameSink, SameCallsFramesAndMessagesAsTheSinkItWraps) {
    struct Case {
        const char* name;
        int frames;
        bool failOpen;
        int failFrame;
        bool failFinish;
    } cases[] = {
        {"ok", 6, false, -1, false},
        {"one frame", 1, false, -1, false},
        {"open fails", 4, true, -1, false},
        {"first frame fails", 4, false, 0, false},
        {"middle frame fails", 6, false, 2, false},
        {"last frame fails", 3, false, 2, false},
        {"finish fails", 3, false, -1, true},
    };
    for (const Case& c : cases) {
        SinkLog direct, wrapped;
        LoggingSink plain(direct, c.failOpen, c.failFrame, c.failFinish);
        const SinkRun a = drive(plain, c.frames, 9, 7);
        OverlappedFrameSink overlapped(
            std::make_unique<LoggingSink>(wrapped, c.failOpen, c.failFrame, c.failFinish));
        const SinkRun b = drive(overlapped, c.frames, 9, 7);

        // The wrapped sink is called exactly as the plain one, with the frames
        // as they were handed over, not as the next render left them.
        EXPECT_EQ(wrapped.calls, direct.calls) << c.name;
        EXPECT_EQ(wrapped.frameSums, direct.frameSums) << c.name;
        for (std::size_t k = 0; k < wrapped.frameSums.size(); ++k)
            EXPECT_EQ(wrapped.frameSums[k], b.handedSums[k]) << c.name << " frame " << k;
        EXPECT_EQ(b.messages, a.messages) << c.name;
        EXPECT_TRUE(b.messagesOnCallerThread) << c.name;
        // Encoding happens off the calling thread.
        for (std::thread::id id : wrapped.frameThreads)
            EXPECT_NE(id, std::this_thread::get_id()) << c.name;
        // A failed frame is learnt one call later: the frame after it is
        // refused without reaching the wrapped sink.
        if (c.failFrame >= 0 && c.failFrame + 1 < c.frames) {
            ASSERT_EQ(b.results.size(), static_cast<std::size_t>(c.failFrame + 2)) << c.name;
            EXPECT_EQ(b.results.back(), 0) << c.name;
        }
    }
}

TEST(OverlappedFrameSink, FrameSizeMayChangeBetweenMovies) {
    SinkLog log;
    OverlappedFrameSink sink(std::make_unique<LoggingSink>(log, false, -1, false));
    sink.open(MovieParams{}, [](const std::string&) {});
    for (const auto& size : {std::pair{4, 3}, std::pair{17, 2}, std::pair{1, 1}}) {
        DibImage image;
        ASSERT_TRUE(image.create(size.first, size.second));
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x)
                image.row(y)[x] = static_cast<std::uint32_t>(x + 100 * y + size.first);
        const std::uint32_t sum = frameSum(image);
        EXPECT_EQ(sink.addFrame(image), 1);
        sink.finish(); // waits for the frame
        ASSERT_FALSE(log.frameSums.empty());
        EXPECT_EQ(log.frameSums.back(), sum) << size.first << "x" << size.second;
    }
    sink.close();
}

} // namespace
} // namespace trevalin
