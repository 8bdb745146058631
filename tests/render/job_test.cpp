// The render job: passes, frame set-up, movies through the writer, stops.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "formula/arith.h"
#include "formula/random_state.h"
#include "render/frame_renderer.h"
#include "tests/render/render_test_support.h"

namespace trevalin {
namespace {

using testing::makeSettings;
using testing::RecordingWriter;
using testing::Renderer;
using testing::WriterLog;

std::uint32_t grey(int g) {
    return static_cast<std::uint32_t>(g) * 0x010101u;
}

// A render that takes far longer than any test waits: every pixel of mandel
// inside the set, iterated 100000 times.
std::unique_ptr<RenderSettings> slowSettings() {
    return makeSettings({{"red", "mandel()"},
                         {"recurse", "100000"},
                         {"left", "-0.1"},
                         {"top", "-0.1"},
                         {"width", "0.2"},
                         {"height", "0.2"}});
}

// The order in which progressive passes compute pixels: the 16-grid, then at
// each finer step only the points not on the previous grid.
std::vector<std::pair<int, int>> passOrder(int width, int height) {
    std::vector<std::pair<int, int>> order;
    for (int step = 16; step >= 1; step /= 2)
        for (int y = 0; y < height; y += step)
            for (int x = 0; x < width; x += step)
                if (step == 16 || ((x | y) & (2 * step - 1)) != 0) order.emplace_back(x, y);
    return order;
}

// Each computed pixel draws one random number, so the picture shows the order.
TEST(RenderJob, PassOrderShowsInTheRandomDraws) {
    for (int size : {1, 20, 33}) {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(size, size));
        auto s = makeSettings({{"red", "?"}, {"min", "0"}, {"max", "1"}});
        std::int32_t state = RandomState::get();
        ASSERT_TRUE(r.render(*s));
        for (auto [x, y] : passOrder(size, size)) {
            state = RandomState::step(state);
            const int g = truncToInt32(state * RandomState::kScale * 255);
            ASSERT_EQ(r.pixel(x, y), grey(g)) << size << "x" << size << " at " << x << "," << y;
        }
        EXPECT_EQ(r.paints, 5) << "four between passes, one at the end";
    }
}

TEST(RenderJob, FirstPassFillsClippedBlocks) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(20, 20));
    auto s = makeSettings({{"red", "px + py"}, {"min", "0"}, {"max", "255"}});
    std::vector<std::uint32_t> afterFirstPass;
    r.job.setPaintRequest([&] {
        // Called on the worker between passes, so the target is not being written.
        if (afterFirstPass.empty())
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 20; ++x)
                    afterFirstPass.push_back(r.pixel(x, y));
    });
    ASSERT_TRUE(r.render(*s));
    ASSERT_EQ(afterFirstPass.size(), 400u);
    auto at = [&](int x, int y) { return afterFirstPass[y * 20 + x]; };
    EXPECT_EQ(at(0, 0), grey(0));
    EXPECT_EQ(at(15, 15), grey(0));
    EXPECT_EQ(at(16, 0), grey(16));
    EXPECT_EQ(at(19, 15), grey(16));
    EXPECT_EQ(at(0, 16), grey(16));
    EXPECT_EQ(at(19, 19), grey(32));
    EXPECT_EQ(r.pixel(19, 19), grey(38)); // and every pixel its own at the end
}

TEST(RenderJob, StillFrameSetUp) {
    Renderer r;
    auto s = makeSettings({{"left", "1"},
                           {"top", "2"},
                           {"width", "4"},
                           {"height", "8"},
                           {"zoom", "2"},
                           {"recurse", "10"},
                           {"p0", "0.25"},
                           {"q0", "-0.5"},
                           {"min", "5"},
                           {"max", "5"}});
    s->time = 50;
    s->duration = 4;
    s->framerate = 15;
    s->center = 1;
    ASSERT_TRUE(r.render(*s));
    const FrameVariables& v = r.job.vars();
    EXPECT_DOUBLE_EQ(v.t, 0.5);
    EXPECT_EQ(v.n, 30);
    // zoom 2 to the power 30 about the centre (1, 2), which the formulas name.
    const double k = std::pow(2.0, 30);
    EXPECT_DOUBLE_EQ(v.w, 4 * k);
    EXPECT_DOUBLE_EQ(v.h, 8 * k);
    EXPECT_DOUBLE_EQ(v.cx, 1);
    EXPECT_DOUBLE_EQ(v.cy, 2);
    EXPECT_EQ(v.i, 10);
    EXPECT_EQ(r.doc->context().iterationLimit, 64);
    EXPECT_DOUBLE_EQ(v.jx, 0.25);
    EXPECT_DOUBLE_EQ(v.jy, -0.5);
    EXPECT_DOUBLE_EQ(v.min, 4.99);
    EXPECT_DOUBLE_EQ(v.max, 5.01);
    EXPECT_NEAR(v.scale, 12750, 1e-6);
    EXPECT_EQ(v.pw, 256);
    EXPECT_EQ(v.fh, 256);
    EXPECT_DOUBLE_EQ(v.xstep, v.w / 256);
}

TEST(RenderJob, ElapsedTimeInTheStatusLine) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(8, 8));
    ASSERT_TRUE(r.render(*makeSettings({{"red", "x"}})));
    EXPECT_TRUE(std::regex_match(r.job.status(), std::regex("elapsed: [ 0-9]+\\.[0-9]{2} secs")))
        << r.job.status();
    EXPECT_FALSE(r.job.running());
    EXPECT_FALSE(r.job.errorFlag());
}

struct MovieCase {
    const char* name;
    int frames;
    int seamless;
    std::vector<int> expectedGreys; // t * 255 per frame
};

TEST(RenderJob, MovieFramesRunTimeAndNumber) {
    const MovieCase cases[] = {
        {"three frames", 3, 0, {0, 127, 255}},
        {"seamless", 3, 1, {0, 85, 170}},
        {"two frames", 2, 0, {0, 255}},
    };
    for (const MovieCase& c : cases) {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(4, 4));
        WriterLog log;
        r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log); });
        auto s = makeSettings({{"red", "t"}, {"grn", "n"}, {"min", "0"}, {"max", "1"}});
        s->seamless = c.seamless;
        ASSERT_TRUE(r.render(*s, c.frames)) << c.name;
        ASSERT_EQ(log.firstPixels.size(), static_cast<std::size_t>(c.frames)) << c.name;
        for (int f = 0; f < c.frames; ++f)
            EXPECT_EQ(log.firstPixels[f], grey(c.expectedGreys[f])) << c.name << " frame " << f;
        EXPECT_EQ(log.calls.front(), "Open");
        EXPECT_EQ(log.calls[log.calls.size() - 2], "Finish");
        EXPECT_EQ(log.calls.back(), "Close");
        EXPECT_EQ(r.job.vars().n, c.frames - 1) << c.name;
        EXPECT_EQ(r.paints, 5 * c.frames) << c.name;
    }
}

TEST(RenderJob, MovieZoomKeepsTheCentre) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(2, 2));
    WriterLog log;
    r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log); });
    auto s = makeSettings({{"left", "-1"},
                           {"top", "-1"},
                           {"width", "2"},
                           {"height", "2"},
                           {"zoom", "2"},
                           {"red", "w"},
                           {"min", "0"},
                           {"max", "255"}});
    ASSERT_TRUE(r.render(*s, 4));
    ASSERT_EQ(log.firstPixels.size(), 4u);
    EXPECT_EQ(log.firstPixels[3], grey(16)); // 2 * 2^3
    EXPECT_DOUBLE_EQ(r.job.vars().cx, 0);
    EXPECT_DOUBLE_EQ(r.job.vars().cy, 0);
    EXPECT_EQ(log.params.width, 2);
    EXPECT_DOUBLE_EQ(log.params.framerate, 10);
}

TEST(RenderJob, WriterFailures) {
    {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(4, 4));
        WriterLog log;
        r.job.setWriterFactory(
            [&] { return std::make_unique<RecordingWriter>(log, "Can't Create Movie File: -2"); });
        EXPECT_FALSE(r.render(*makeSettings({{"red", "1"}}), 3));
        EXPECT_EQ(r.job.status(), "Can't Create Movie File: -2");
        EXPECT_TRUE(r.job.errorFlag());
        EXPECT_EQ(log.calls, (std::vector<std::string>{"Open", "Finish", "Close"}));
    }
    {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(4, 4));
        WriterLog log;
        r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log, "", 1); });
        EXPECT_FALSE(r.render(*makeSettings({{"red", "1"}}), 5));
        EXPECT_EQ(r.job.status(), "AddMediaSample Error: -1");
        EXPECT_EQ(log.firstPixels.size(), 1u);
        EXPECT_EQ(log.calls.back(), "Close");
    }
    {
        Renderer r; // the file cannot be completed: the message must not be overwritten
        ASSERT_TRUE(r.doc->setImageSize(4, 4));
        WriterLog log;
        r.job.setWriterFactory(
            [&] { return std::make_unique<RecordingWriter>(log, "", -1, true); });
        EXPECT_FALSE(r.render(*makeSettings({{"red", "1"}}), 2));
        EXPECT_EQ(r.job.status(), "Can't Create Movie File: -28");
        EXPECT_TRUE(r.job.errorFlag());
    }
    {
        Renderer r; // no writer at all: a movie must not pretend to be written
        ASSERT_TRUE(r.doc->setImageSize(4, 4));
        EXPECT_FALSE(r.render(*makeSettings({{"red", "1"}}), 3));
        EXPECT_TRUE(r.job.errorFlag());
    }
}

TEST(RenderJob, StopEndsWithoutElapsedTimeAndRestarts) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(64, 64));
    WriterLog log;
    r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log); });
    auto slow = slowSettings();
    r.doc->setSettings(*slow);
    r.doc->setFrameCount(50);
    for (int cycle = 0; cycle < 20; ++cycle) {
        r.doc->startRendering();
        r.doc->stopRendering();
        EXPECT_FALSE(r.job.running());
        EXPECT_FALSE(r.job.finished());
        EXPECT_EQ(r.job.status().find("elapsed"), std::string::npos);
    }
    // Every stopped movie was finished and closed.
    int opens = 0, closes = 0;
    for (const std::string& c : log.calls) {
        opens += c == "Open";
        closes += c == "Close";
    }
    EXPECT_EQ(opens, 20);
    EXPECT_EQ(closes, 20);
    ASSERT_TRUE(r.render(*makeSettings({{"red", "1"}, {"max", "1"}})));
}

// waitFor returns as soon as the job ends, and says whether it has: the
// command line waits with it between its progress lines.
TEST(RenderJob, WaitForTellsWhetherTheJobEnded) {
    using std::chrono::milliseconds;
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(64, 64));
    EXPECT_TRUE(r.job.waitFor(milliseconds(0))) << "no job yet";
    auto slow = slowSettings();
    r.doc->setSettings(*slow);
    r.doc->setFrameCount(1);
    r.doc->startRendering();
    EXPECT_FALSE(r.job.waitFor(milliseconds(1)));
    EXPECT_TRUE(r.job.running());
    r.doc->stopRendering();
    EXPECT_TRUE(r.job.waitFor(milliseconds(0)));

    const auto quick = makeSettings({{"red", "x*y"}});
    r.doc->setSettings(*quick);
    r.doc->startRendering();
    ASSERT_TRUE(r.job.waitFor(milliseconds(60000)));
    EXPECT_TRUE(r.job.finished());
    EXPECT_FALSE(r.job.running());
    Renderer waited;
    ASSERT_TRUE(waited.doc->setImageSize(64, 64));
    ASSERT_TRUE(waited.render(*quick));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(r.pixel(x, y), waited.pixel(x, y)) << x << "," << y;
}

// The progress a job reports: every pixel counted once whatever the thread
// count, the frame of a movie, and how the job ended.
TEST(RenderJob, ProgressCountsEveryPixelAndTellsHowItEnded) {
    using State = RenderProgress::State;
    for (int threads : {1, 3}) {
        Renderer r;
        EXPECT_EQ(r.job.progress().state, State::Idle);
        r.job.setThreadCount(threads);
        ASSERT_TRUE(r.doc->setImageSize(37, 21));
        ASSERT_TRUE(r.render(*makeSettings({{"red", "x*y"}, {"max", "1"}})));
        const RenderProgress still = r.job.progress();
        EXPECT_EQ(still.state, State::Finished) << threads;
        EXPECT_EQ(still.pixelsDone, 37 * 21) << threads;
        EXPECT_EQ(still.frames, 1);
        EXPECT_EQ(passNumber(still), 5);

        WriterLog log;
        r.job.setWriterFactory([&] { return std::make_unique<RecordingWriter>(log); });
        ASSERT_TRUE(r.render(*makeSettings({{"red", "t"}, {"max", "1"}}), 3));
        const RenderProgress movie = r.job.progress();
        EXPECT_EQ(movie.state, State::Finished);
        EXPECT_EQ(movie.frame, 2);
        EXPECT_EQ(movie.frames, 3);
        EXPECT_EQ(progressText(movie).rfind("Movie finished: 3 frames in ", 0), 0u)
            << progressText(movie);
    }
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(64, 64));
    r.doc->setSettings(*makeSettings({{"red", "mandel()"},
                                      {"recurse", "100000"},
                                      {"left", "-0.1"},
                                      {"top", "-0.1"},
                                      {"width", "0.2"},
                                      {"height", "0.2"}}));
    r.doc->setFrameCount(1);
    r.doc->startRendering();
    r.doc->stopRendering();
    EXPECT_EQ(r.job.progress().state, State::Stopped);
    EXPECT_LT(r.job.progress().pixelsDone, 64 * 64);
    EXPECT_EQ(progressText(r.job.progress()), "Stopped");

    // A movie that cannot be written failed; its message says why.
    Renderer failing;
    ASSERT_TRUE(failing.doc->setImageSize(4, 4));
    WriterLog log;
    failing.job.setWriterFactory(
        [&] { return std::make_unique<RecordingWriter>(log, "Can't Create Movie File: -2"); });
    EXPECT_FALSE(failing.render(*makeSettings({{"red", "1"}}), 3));
    EXPECT_EQ(failing.job.progress().state, State::Failed);
    EXPECT_EQ(progressText(failing.job.progress(), failing.job.status()),
              "Failed: Can't Create Movie File: -2");
}

// Qt's thread priorities do nothing on Linux; the worker's nice value does.
TEST(RenderJob, PriorityPicksTheWorkersNiceValue) {
    errno = 0;
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    ASSERT_EQ(errno, 0);
    // A higher priority needs a privilege this process may lack: try it on a
    // thread of our own first.
    bool mayRaise = false;
    std::thread([&] {
        mayRaise = setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), base - 5) == 0;
    }).join();
    struct Case {
        int priority;
        int nice;
    } cases[] = {
        {0, base + 5}, {1, base}, {2, mayRaise ? base - 5 : base}, {9, base}, {0, base + 5}};
    // Each priority in a job of its own, and all in turn in one job, whose
    // worker is kept from one render to the next.
    Renderer kept;
    ASSERT_TRUE(kept.doc->setImageSize(2, 2));
    for (const Case& c : cases) {
        Renderer fresh;
        ASSERT_TRUE(fresh.doc->setImageSize(2, 2));
        for (Renderer* r : {&fresh, &kept}) {
            int seen = -100;
            r->job.setPaintRequest(
                [&] { seen = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); });
            auto s = makeSettings({{"red", "1"}});
            s->priority = c.priority;
            ASSERT_TRUE(r->render(*s));
            EXPECT_EQ(seen, c.nice) << "priority " << c.priority << (r == &kept ? ", kept" : "");
        }
    }
}

// The other threads of this process: id and nice value.
std::map<long, int> otherThreadsNice() {
    std::map<long, int> out;
    const long self = syscall(SYS_gettid);
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        const long id = std::stol(task.path().filename().string());
        if (id == self) continue;
        std::ifstream in(task.path() / "stat");
        std::string line;
        if (!std::getline(in, line)) continue; // ended meanwhile
        // The fields after the command, which is in parentheses: state is the
        // third field, nice the nineteenth.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skipped;
        for (int field = 3; field < 19; ++field)
            fields >> skipped;
        int nice = 0;
        fields >> nice;
        out[id] = nice;
    }
    return out;
}

// Helpers kept for the next render run at the nice value of the render that
// uses them, not of the one that started them.
TEST(RenderJob, KeptHelpersFollowThePriority) {
    const int base = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    // How many threads run at nice once it is that many: a joined thread can
    // stay listed for a moment after the join returns.
    auto threadsAt = [](int nice, long expected) {
        long count = -1;
        for (int i = 0; i < 200 && count != expected; ++i) {
            if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const std::map<long, int> threads = otherThreadsNice();
            count = std::count_if(threads.begin(), threads.end(),
                                  [&](const auto& t) { return t.second == nice; });
        }
        return count;
    };
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(64, 64));
    r.job.setThreadCount(2);
    auto s = makeSettings({{"red", "x*y"}});
    s->priority = 0;
    ASSERT_TRUE(r.render(*s));
    ASSERT_EQ(r.job.helperThreads(), 1);
    // The helper, and the render's own thread, kept too.
    EXPECT_EQ(threadsAt(base + 5, 2), 2);

    s->priority = 1;
    ASSERT_TRUE(r.render(*s));
    EXPECT_EQ(r.job.helperThreads(), 1);
    EXPECT_EQ(threadsAt(base + 5, 0), 0);
}

TEST(RenderJob, SameSettingsSamePicture) {
    auto s = makeSettings({{"red", "noise(x*5, y*5) + ?*0.1"},
                           {"grn", "julia()"},
                           {"blu", "turb(x*3, y)"},
                           {"left", "-1.5"},
                           {"top", "-1.5"},
                           {"width", "3"},
                           {"height", "3"},
                           {"p0", "-0.8"},
                           {"q0", "0.156"},
                           {"max", "1"}},
                          1);
    s->oversample = 1;
    std::vector<std::uint32_t> first;
    for (int run = 0; run < 2; ++run) {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(40, 30));
        ASSERT_TRUE(r.render(*s));
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                pixels.push_back(r.pixel(x, y));
        if (run == 0)
            first = pixels;
        else
            EXPECT_EQ(pixels, first);
    }
}

TEST(RenderJob, ReplacedSourceStaysAliveDuringTheRender) {
    Renderer r;
    ASSERT_TRUE(r.doc->setImageSize(64, 64));
    r.doc->loadSourceImage(TREVALIN_SOURCE_DIR "/data/source.bmp");
    std::weak_ptr<const DibImage> first = r.doc->source();
    std::promise<void> replaced;
    std::shared_future<void> replacedFuture = replaced.get_future().share();
    bool aliveAfterReplacement = false;
    int paints = 0;
    // The worker waits after its first pass until the source was replaced.
    r.job.setPaintRequest([&] {
        if (paints++ == 0) {
            replacedFuture.wait();
            aliveAfterReplacement = !first.expired();
        }
    });
    r.doc->setSettings(*makeSettings({{"red", "r"}}));
    r.doc->setFrameCount(1);
    r.doc->startRendering();
    r.doc->loadSourceImage("/nonexistent.bmp");
    replaced.set_value();
    r.job.wait();
    EXPECT_TRUE(aliveAfterReplacement);
    EXPECT_TRUE(first.expired()) << "released when the render ended";
}

// A poller that sees the job no longer running may read the movie file and the
// outcome at once: the file is complete and the status set by then.
TEST(RenderJob, RunningUntilTheMovieIsComplete) {
    struct Probe : FrameSink {
        RenderJob* job = nullptr;
        std::vector<bool>* runningAt = nullptr;
        void open(const MovieParams&, ErrorReporter) override {}
        int addFrame(const DibImage&) override { return 1; }
        void finish() override { runningAt->push_back(job->running()); }
        void close() override { runningAt->push_back(job->running()); }
    };
    for (int frames : {2, 3}) {
        Renderer r;
        ASSERT_TRUE(r.doc->setImageSize(8, 6));
        std::vector<bool> runningAt;
        r.job.setWriterFactory([&] {
            auto probe = std::make_unique<Probe>();
            probe->job = &r.job;
            probe->runningAt = &runningAt;
            return probe;
        });
        ASSERT_TRUE(r.render(*makeSettings({{"red", "x*y"}}), frames));
        EXPECT_EQ(runningAt, (std::vector<bool>{true, true})) << frames << " frames";
        EXPECT_TRUE(r.job.status().starts_with("elapsed: ")) << r.job.status();
    }
}

} // namespace
} // namespace trevalin
