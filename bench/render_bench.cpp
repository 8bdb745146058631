// Renders every scene of bench/scenes.txt at 512x512 through the real render
// path (document, job, progressive passes, one render thread) and through a
// hand-written C++ loop, and prints the medians side by side. The two must give
// the same pixels, or the comparison means nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/native_scenes.h"
#include "presets/presets_file.h"
#include "render/headless_view.h"

namespace {

using namespace trevalin;
using Clock = std::chrono::steady_clock;

constexpr int kSize = 512;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::vector<std::uint32_t> pixelsOf(const DibImage& image) {
    std::vector<std::uint32_t> p;
    for (int y = 0; y < image.Height(); ++y)
        p.insert(p.end(), image.Row(y), image.Row(y) + image.Width());
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

    std::printf("%d x %d, median of %d runs, one render thread\n", kSize, kSize, runs);
    std::printf("%-16s %10s %8s %10s %8s %7s  %s\n", "scene", "render ms", "Mpx/s", "native ms",
                "Mpx/s", "ratio", "pixels");
    const double megapixels = kSize * kSize / 1e6;
    int mismatches = 0;
    for (const PresetNode* preset : presets) {
        CTrevalinDoc doc;
        RenderJob job;
        HeadlessView view(doc, job);
        doc.SetView(&view);
        doc.SetImageSize(kSize, kSize);
        std::vector<double> renderMs;
        for (int r = 0; r < runs; ++r) {
            const auto t0 = Clock::now();
            doc.SetSettings(*preset->settings());
            doc.SetFrameCount(1);
            doc.StartRendering();
            job.Wait();
            renderMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        const std::vector<std::uint32_t> rendered = pixelsOf(doc.Image());

        bench::NativePixel native = bench::nativeScene(preset->name());
        std::vector<double> nativeMs;
        std::vector<std::uint32_t> baseline(rendered.size());
        if (native) {
            // The frame's set-up as the job made it, then every pixel in rows.
            job.SetUpFrame();
            FrameVariables v = job.Vars();
            for (int r = 0; r < runs; ++r) {
                const auto t0 = Clock::now();
                for (int py = 0; py < kSize; ++py) {
                    v.py = py;
                    v.y = py * v.ystep + v.top;
                    for (int px = 0; px < kSize; ++px) {
                        v.px = px;
                        v.x = px * v.xstep + v.left;
                        baseline[static_cast<std::size_t>(py) * kSize + px] =
                            native(doc.Context(), v);
                    }
                }
                nativeMs.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            }
        }
        const double rm = median(renderMs);
        if (native) {
            const double nm = median(nativeMs);
            const bool same = baseline == rendered;
            mismatches += !same;
            std::printf("%-16s %10.1f %8.2f %10.1f %8.2f %7.2f  %s\n", preset->name().c_str(), rm,
                        megapixels / (rm / 1000), nm, megapixels / (nm / 1000), rm / nm,
                        same ? "identical" : "DIFFER");
        } else {
            std::printf("%-16s %10.1f %8.2f %10s %8s %7s  %s\n", preset->name().c_str(), rm,
                        megapixels / (rm / 1000), "-", "-", "-", "no baseline");
        }
    }
    return mismatches == 0 ? 0 : 1;
}
