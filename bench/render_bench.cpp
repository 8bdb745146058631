// Renders every scene of bench/scenes.txt at 1024x1024 through the real render
// path (document, job, progressive passes without the preview's blocks, as
// trevalin-render renders) on the one-pixel loop, on the faster
// paths with one thread and with every core, and through a hand-written scalar
// C++ loop, and prints the medians side by side. The four take turns within a
// round, so a shared machine's changing speed falls on all of them alike. All
// must give the same pixels, or the comparison means nothing. Each round also
// renders on one thread kept on each processor in turn: the processors of a
// virtual machine can differ in speed for minutes, and the render on every
// core is then measured against the sum of their speeds.
//
//   trevalin_render_bench [SCENES [ROUNDS]] [--scene NAME]... [--only THREADS]
//                         [--size PIXELS] [--blocks]
//
// --scene keeps the named scenes only. --only renders each scene ROUNDS times
// on the faster path with THREADS threads (0: every core) and prints the median
// alone: for a profiler, which then sees no other path. --size renders
// PIXELS x PIXELS pictures instead; --blocks paints the preview's blocks in
// the coarse passes, as the desktop program renders.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sched.h>
#include <string>
#include <vector>

#include "bench/native_scenes.h"
#include "presets/presets_file.h"
#include "render/headless_view.h"
#include "render/parallel_pass.h"

namespace {

using namespace trevalin;
using Clock = std::chrono::steady_clock;

constexpr int kSize = 1024; // the default

// Milliseconds on the wall clock, or with TREVALIN_BENCH_CPU=1 the process's
// CPU time: steadier on a busy machine for the one-thread figures, but it sums
// every thread's time, so the all-cores column then shows work, not speed.
bool cpuClock() {
    static const bool cpu = [] {
        const char* e = std::getenv("TREVALIN_BENCH_CPU");
        return e && *e && *e != '0';
    }();
    return cpu;
}

double nowMs() {
    if (!cpuClock())
        return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// "low-high" of a ratio over the rounds.
std::string range(const std::vector<double>& v) {
    const auto [low, high] = std::minmax_element(v.begin(), v.end());
    char text[32];
    std::snprintf(text, sizeof text, "%.2f-%.2f", *low, *high);
    return text;
}

// A scene's document and job, rendering as trevalin-render does, or with the
// preview's blocks as the desktop program does.
class SceneRender {
  public:
    SceneRender(const RenderSettings& settings, int size, bool blocks)
        : settings_(settings), view_(doc_, job_) {
        doc_.setView(&view_);
        doc_.setImageSize(size, size);
        job_.setPreviewBlocks(blocks);
    }

    // One render's milliseconds.
    double run(int threads, bool onePixel) {
        job_.setThreadCount(threads);
        job_.setOnePixelOnly(onePixel);
        const double t0 = nowMs();
        doc_.setSettings(settings_);
        doc_.setFrameCount(1);
        doc_.startRendering();
        job_.wait();
        return nowMs() - t0;
    }

    Document& doc() { return doc_; }
    RenderJob& job() { return job_; }

  private:
    const RenderSettings& settings_;
    Document doc_;
    RenderJob job_;
    HeadlessView view_;
};

// The processors the process may run on.
std::vector<int> allowedCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    std::vector<int> cpus;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        for (int c = 0; c < CPU_SETSIZE; ++c)
            if (CPU_ISSET(c, &set)) cpus.push_back(c);
    return cpus;
}

// Keeps the calling thread, and the threads it starts, on cpu until the end
// of scope.
class PinnedTo {
  public:
    explicit PinnedTo(int cpu) {
        if (sched_getaffinity(0, sizeof saved_, &saved_) != 0) return;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(cpu, &one);
        pinned_ = sched_setaffinity(0, sizeof one, &one) == 0;
    }
    ~PinnedTo() {
        if (pinned_) sched_setaffinity(0, sizeof saved_, &saved_);
    }
    PinnedTo(const PinnedTo&) = delete;
    PinnedTo& operator=(const PinnedTo&) = delete;

  private:
    cpu_set_t saved_{};
    bool pinned_ = false;
};

std::vector<std::uint32_t> pixelsOf(const DibImage& image) {
    std::vector<std::uint32_t> p;
    for (int y = 0; y < image.height(); ++y)
        p.insert(p.end(), image.row(y), image.row(y) + image.width());
    return p;
}

struct Options {
    std::string scenes = TREVALIN_BENCH_DIR "/scenes.txt";
    int runs = 5;
    std::vector<std::string> names; // the scenes kept; all when empty
    int only = -1;                  // threads of --only, or -1
    int size = kSize;
    bool blocks = false;
};

// A whole non-negative decimal number.
bool parseCount(const char* text, int& n) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 1000000) return false;
    n = static_cast<int>(v);
    return true;
}

bool parseOptions(int argc, char** argv, Options& o) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--scene" || a == "--only" || a == "--size") && i + 1 < argc) {
            if (a == "--scene")
                o.names.push_back(argv[++i]);
            else if (!parseCount(argv[++i], a == "--only" ? o.only : o.size))
                return false;
            else if (o.size < 1 || o.size > 16384)
                return false;
        } else if (a == "--blocks") {
            o.blocks = true;
        } else if (a.rfind("--", 0) == 0 || positional == 2) {
            return false;
        } else if (positional++ == 0) {
            o.scenes = a;
        } else if (!parseCount(argv[i], o.runs) || o.runs < 1) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: render_bench [SCENES [ROUNDS]] [--scene NAME]... "
                             "[--only THREADS] [--size PIXELS] [--blocks]\n");
        return 2;
    }
    const int runs = options.runs;
    PresetsReadResult read = readPresetsFile(options.scenes);
    if (read.status != PresetsReadStatus::Read) {
        std::fprintf(stderr, "render_bench: %s\n", read.error.c_str());
        return 1;
    }
    std::vector<const PresetNode*> presets;
    read.tree.forEachPreset([&](const PresetNode& p, const std::string&) {
        if (options.names.empty() ||
            std::find(options.names.begin(), options.names.end(), p.name()) != options.names.end())
            presets.push_back(&p);
    });
    for (const std::string& name : options.names) {
        if (std::none_of(presets.begin(), presets.end(),
                         [&](const PresetNode* p) { return p->name() == name; })) {
            std::fprintf(stderr, "render_bench: no scene named \"%s\" in %s\n", name.c_str(),
                         options.scenes.c_str());
            return 1;
        }
    }

    const int cores = effectiveThreadCount(0);
    if (options.only >= 0) {
        const int threads = effectiveThreadCount(options.only);
        for (const PresetNode* preset : presets) {
            const std::unique_ptr<RenderSettings> settings = preset->makeSettings();
            SceneRender scene(*settings, options.size, options.blocks);
            std::vector<double> ms;
            for (int r = 0; r < runs; ++r)
                ms.push_back(scene.run(options.only, false));
            std::printf("%-15s %d threads, %d renders: median %.2f ms\n", preset->name().c_str(),
                        threads, runs, median(ms));
        }
        return 0;
    }
    const int size = options.size;
    std::printf("%d x %d%s, %d rounds, each renders on the one-pixel loop, then 1 thread and %d "
                "(every core), then the native loop%s\n",
                size, size, options.blocks ? " with the preview's blocks" : "", runs, cores,
                cpuClock() ? "; CPU time" : "");
    std::printf("times and ratios are medians; a ratio is taken within a round, so a machine "
                "that speeds up or slows down between rounds moves both sides\n");
    std::printf("eff: the speed on every core against the sum of the speeds on one thread kept "
                "on each processor, within the round\n");
    std::printf("%-15s %9s %9s %9s %9s %7s %7s %7s %7s  %-12s %-12s %s\n", "scene", "pixel ms",
                "1 thr ms", "all ms", "native ms", "1t/nat", "all/nat", "all/1t", "eff",
                "1t/nat range", "all/1t range", "pixels");
    int mismatches = 0;
    for (const PresetNode* preset : presets) {
        const std::unique_ptr<RenderSettings> settings = preset->makeSettings();
        SceneRender scene(*settings, size, options.blocks);
        auto render = [&](int threads, bool onePixel, std::vector<std::uint32_t>& pixels) {
            const double ms = scene.run(threads, onePixel);
            pixels = pixelsOf(scene.doc().image());
            return ms;
        };
        const bench::NativeScene native = bench::nativeScene(preset->name());
        std::vector<double> pixelMs, oneMs, allMs, nativeMs, oneToNative, allToNative, allToOne,
            efficiency;
        // One thread kept on each processor: the job's thread, started by its
        // first render, keeps the affinity of the thread that started it.
        std::vector<std::unique_ptr<SceneRender>> pinned;
        if (cores > 1 && !cpuClock())
            for (int cpu : allowedCpus()) {
                const PinnedTo pin(cpu);
                pinned.push_back(std::make_unique<SceneRender>(*settings, size, options.blocks));
                pinned.back()->run(1, false);
            }
        std::vector<std::uint32_t> pixel, one, all, baseline(static_cast<std::size_t>(size) * size);
        bool same = true;
        for (int r = 0; r < runs; ++r) {
            pixelMs.push_back(render(1, true, pixel));
            oneMs.push_back(render(1, false, one));
            // Every core as users get it by default.
            allMs.push_back(render(0, false, all));
            same = same && pixel == one && one == all;
            allToOne.push_back(oneMs.back() / allMs.back());
            if (!pinned.empty()) {
                double speeds = 0;
                for (const std::unique_ptr<SceneRender>& p : pinned) {
                    speeds += 1.0 / p->run(1, false);
                    same = same && pixelsOf(p->doc().image()) == one;
                }
                efficiency.push_back(1.0 / allMs.back() / speeds);
            }
            if (!native) continue;
            // The frame's set-up as the job made it, then every pixel in rows.
            scene.job().setUpFrame();
            const FrameVariables frame = scene.job().vars();
            const double t0 = nowMs();
            native(scene.doc().context(), frame, baseline.data(), size, size);
            nativeMs.push_back(nowMs() - t0);
            same = same && baseline == one;
            oneToNative.push_back(oneMs.back() / nativeMs.back());
            allToNative.push_back(allMs.back() / nativeMs.back());
        }
        mismatches += !same;
        const char* verdict = same ? (native ? "identical" : "identical (no baseline)") : "DIFFER";
        const std::string oneRange = native ? range(oneToNative) : "-";
        std::printf("%-15s %9.1f %9.1f %9.1f ", preset->name().c_str(), median(pixelMs),
                    median(oneMs), median(allMs));
        if (native)
            std::printf("%9.1f %7.2f %7.2f ", median(nativeMs), median(oneToNative),
                        median(allToNative));
        else
            std::printf("%9s %7s %7s ", "-", "-", "-");
        std::printf("%7.2f ", median(allToOne));
        if (!efficiency.empty())
            std::printf("%7.2f ", median(efficiency));
        else
            std::printf("%7s ", "-");
        std::printf(" %-12s %-12s %s\n", oneRange.c_str(), range(allToOne).c_str(), verdict);
    }
    return mismatches == 0 ? 0 : 1;
}
