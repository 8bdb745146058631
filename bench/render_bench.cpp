// Renders every scene of bench/scenes.txt at 1024x1024 through the real render
// path (document, job, progressive passes) on the one-pixel loop, on the faster
// paths with one thread and with every core, and
// through a hand-written scalar C++ loop, and prints the medians side by side.
// All three must give the same pixels, or the comparison means nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench/native_scenes.h"
#include "presets/presets_file.h"
#include "render/headless_view.h"
#include "render/parallel_pass.h"

namespace {

using namespace trevalin;
using Clock = std::chrono::steady_clock;

constexpr int kSize = 1024;

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

std::vector<std::uint32_t> pixelsOf(const DibImage& image) {
    std::vector<std::uint32_t> p;
    for (int y = 0; y < image.height(); ++y)
        p.insert(p.end(), image.row(y), image.row(y) + image.width());
    return p;
}

} // namespace

int main(int argc, char** argv) {
    const std::string scenes = argc > 1 ? argv[1] : TREVALIN_BENCH_DIR "/scenes.txt";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    PresetsReadResult read = readPresetsFile(scenes);
    if (read.status != PresetsReadStatus::Read) {
        std::fprintf(stderr, "render_bench: %s\n", read.error.c_str());
        return 1;
    }
    std::vector<const PresetNode*> presets;
    read.tree.forEachPreset(
        [&](const PresetNode& p, const std::string&) { presets.push_back(&p); });

    const int cores = effectiveThreadCount(0);
    std::printf("%d x %d, median of %d runs; one-pixel loop, then 1 thread and %d (every core)%s\n",
                kSize, kSize, runs, cores, cpuClock() ? "; CPU time" : "");
    std::printf("%-15s %9s %9s %9s %9s %7s %7s %7s  %s\n", "scene", "pixel ms", "1 thr ms",
                "all ms", "native ms", "1t/nat", "all/nat", "all/1t", "pixels");
    int mismatches = 0;
    for (const PresetNode* preset : presets) {
        const std::unique_ptr<RenderSettings> settings = preset->makeSettings();
        Document doc;
        RenderJob job;
        HeadlessView view(doc, job);
        doc.setView(&view);
        doc.setImageSize(kSize, kSize);
        auto timeRenders = [&](int threads, bool onePixel, std::vector<std::uint32_t>& pixels) {
            job.setThreadCount(threads);
            job.setOnePixelOnly(onePixel);
            std::vector<double> ms;
            for (int r = 0; r < runs; ++r) {
                const double t0 = nowMs();
                doc.setSettings(*settings);
                doc.setFrameCount(1);
                doc.startRendering();
                job.wait();
                ms.push_back(nowMs() - t0);
            }
            pixels = pixelsOf(doc.image());
            return median(ms);
        };
        std::vector<std::uint32_t> pixel, one, all;
        const double pixelMs = timeRenders(1, true, pixel);
        const double oneMs = timeRenders(1, false, one);
        const double allMs = timeRenders(cores, false, all);
        bool same = pixel == one && one == all;

        const bench::NativeScene native = bench::nativeScene(preset->name());
        if (!native) {
            std::printf("%-15s %9.1f %9.1f %9.1f %9s %7s %7s %7.2f  %s\n", preset->name().c_str(),
                        pixelMs, oneMs, allMs, "-", "-", "-", oneMs / allMs,
                        same ? "identical (no baseline)" : "DIFFER");
            mismatches += !same;
            continue;
        }
        // The frame's set-up as the job made it, then every pixel in rows.
        job.setUpFrame();
        const FrameVariables frame = job.vars();
        std::vector<std::uint32_t> baseline(one.size());
        std::vector<double> nativeMs;
        for (int r = 0; r < runs; ++r) {
            const double t0 = nowMs();
            native(doc.context(), frame, baseline.data(), kSize, kSize);
            nativeMs.push_back(nowMs() - t0);
        }
        const double nm = median(nativeMs);
        same = same && baseline == one;
        mismatches += !same;
        std::printf("%-15s %9.1f %9.1f %9.1f %9.1f %7.2f %7.2f %7.2f  %s\n", preset->name().c_str(),
                    pixelMs, oneMs, allMs, nm, oneMs / nm, allMs / nm, oneMs / allMs,
                    same ? "identical" : "DIFFER");
    }
    return mismatches == 0 ? 0 : 1;
}
