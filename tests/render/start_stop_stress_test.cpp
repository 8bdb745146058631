// Many start/stop cycles while another thread polls the job, as the desktop
// program's status bar does; run under ThreadSanitizer in the checks.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;
using testing::RecordingWriter;
using testing::Renderer;
using testing::WriterLog;

TEST(RenderJobStress, StartStopWhilePolling) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(24, 20));
    WriterLog log;
    r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log); });
    auto s = makeSettings({{"red", "mandel() + ?"}, {"grn", "noise(x, y)"}, {"max", "20"}}, 1);

    std::atomic<bool> done{false};
    long polls = 0;
    std::thread poller([&] {
        while (!done.load()) {
            (void)r.job.status();
            (void)r.job.errorFlag();
            (void)r.job.finished();
            (void)r.job.running();
            ++polls;
        }
    });
    r.doc->setSettings(*s);
    int movies = 0;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        const bool movie = cycle % 4 == 0;
        movies += movie;
        r.job.setThreadCount(cycle % 3); // every core, one, two
        r.doc->setFrameCount(movie ? 3 : 1);
        r.doc->startRendering();
        if (cycle % 5 == 0) std::this_thread::yield();
        r.doc->stopRendering();
        ASSERT_FALSE(r.job.running()) << cycle;
        ASSERT_FALSE(r.job.errorFlag()) << cycle;
    }
    done = true;
    poller.join();
    EXPECT_GT(polls, 0);

    // Every movie that was opened was closed again.
    int opens = 0, closes = 0;
    for (const std::string& c : log.calls) {
        opens += c == "Open";
        closes += c == "Close";
    }
    EXPECT_EQ(opens, closes);
    EXPECT_LE(opens, movies);

    // The job still renders whole pictures afterwards.
    r.job.setThreadCount(2);
    EXPECT_TRUE(r.render(*s));
    EXPECT_TRUE(r.job.finished());
    EXPECT_EQ(r.job.status().rfind("elapsed", 0), 0u);
}

} // namespace
} // namespace trevalin
