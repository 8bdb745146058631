// trevalin-render: renders a preset to an image or a movie without a display,
// through the same document and render job as the desktop program.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/formula_report.h"
#include "cli/frame_files_writer.h"
#include "cli/png_file.h"
#include "cli/render_options.h"
#include "cli/set_value.h"
#include "cli/setting_ranges.h"
#include "formula/code_walk.h"
#include "movie/movie_writer.h"
#include "presets/presets_file.h"
#include "render/headless_view.h"
#include "render/memory_check.h"
#include "render/movie_check.h"

namespace {

using namespace trevalin;

int usageError(const std::string& message) {
    std::fprintf(stderr, "trevalin-render: %s\n%s", message.c_str(), kUsage);
    return kBadInput;
}

// TREVALIN_DATA wins; then the installed copy (<prefix>/bin/trevalin-render
// beside <prefix>/share/trevalin), then the source tree the tool was built from.
std::filesystem::path bundledPresets() {
    if (const char* dir = std::getenv("TREVALIN_DATA"))
        return std::filesystem::path(dir) / "presets.txt";
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed =
            exe.parent_path().parent_path() / "share" / "trevalin" / "presets.txt";
        if (std::filesystem::exists(installed, error)) return installed;
    }
    return std::filesystem::path(TREVALIN_DATA_DIR) / "presets.txt";
}

// Reports progress while the job runs: passes of a still, frames of a movie.
void watch(RenderJob& job, const std::atomic<int>& paints, bool movie, int frames) {
    const auto start = std::chrono::steady_clock::now();
    while (job.Running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (movie) {
            // Five paint requests per frame: four between passes, one after it.
            const int done = paints.load() / 5;
            std::fprintf(stderr, "\rframe %d of %d, %3d%%, %.1f s ",
                         done < frames ? done + 1 : frames, frames,
                         frames ? 100 * done / frames : 0, secs);
        } else {
            // Each pass computes three times the pixels of all before it: after
            // pass k, 4^(k-1) / 256 of the picture is done.
            const int done = paints.load() < 4 ? paints.load() : 4;
            const int percent = done == 0 ? 0 : 100 * (1 << (2 * (done - 1))) / 256;
            std::fprintf(stderr, "\rpass %d of 5, %3d%% done, %.1f s ", done + 1, percent, secs);
        }
    }
    std::fprintf(stderr, "\r\033[K");
}

} // namespace

int main(int argc, char** argv) {
    // Past a file-size limit (ulimit -f) a write should fail with a reason
    // the user sees, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    RenderOptions o;
    std::string usage;
    if (int status = parseOptions(argc, argv, o, usage); status >= 0) {
        if (usage.empty())
            std::fputs(kUsage, stdout); // --help
        else
            usageError(usage);
        return status;
    }

    const std::filesystem::path presetsPath = !o.presets.empty() ? std::filesystem::path(o.presets)
                                              : std::filesystem::exists("presets.txt")
                                                  ? std::filesystem::path("presets.txt")
                                                  : bundledPresets();
    PresetsReadResult presets = readPresetsFile(presetsPath);
    if (presets.status != PresetsReadStatus::Read) {
        std::fprintf(stderr, "trevalin-render: %s\n", presets.error.c_str());
        return kBadInput;
    }
    for (const std::string& warning : presets.warnings)
        std::fprintf(stderr, "trevalin-render: warning: %s: %s\n", presetsPath.c_str(),
                     warning.c_str());
    if (o.list) {
        presets.tree.forEachPreset(
            [](const PresetNode&, const std::string& path) { std::printf("%s\n", path.c_str()); });
        return kRendered;
    }
    const PresetNode* preset =
        o.preset.empty() ? presets.tree.firstPreset() : presets.tree.findPreset(o.preset);
    if (!preset) {
        std::fprintf(stderr, "trevalin-render: no preset %s in %s\n",
                     o.preset.empty() ? "at all" : ("\"" + o.preset + "\"").c_str(),
                     presetsPath.c_str());
        return kBadInput;
    }

    auto settings = std::make_unique<RenderSettings>(*preset->settings());
    settings->time = o.time;
    for (const std::string& s : o.sets) {
        const auto eq = s.find('=');
        std::string error;
        if (!setValueByKey(*settings, s.substr(0, eq), s.substr(eq + 1), error))
            return usageError("--set " + error);
    }
    // Nothing is written for a record that cannot render as the user meant it.
    if (!reportFormulas(*settings, o.quiet, stderr)) {
        std::fprintf(stderr, "trevalin-render: not rendered: a formula does not compile\n");
        return kBadInput;
    }
    if (const std::string refusal = rangeRefusal(*settings, !o.movie.empty()); !refusal.empty()) {
        std::fprintf(stderr, "trevalin-render: not rendered: %s\n", refusal.c_str());
        return kBadInput;
    }

    auto doc = std::make_unique<CTrevalinDoc>();
    RenderJob job;
    HeadlessView view(*doc, job);
    doc->SetView(&view);
    std::atomic<int> paints{0};
    job.SetPaintRequest([&paints] { ++paints; });
    job.SetThreadCount(o.threads);

    const bool movie = !o.movie.empty() || !o.frames.empty();
    if (const std::string refusal = memoryRefusal(o.width, o.height, movie, availableMemory());
        !refusal.empty()) {
        std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
        return kBadInput;
    }
    // The size was checked when the options were read: only memory can fail.
    if (!doc->SetImageSize(o.width, o.height)) {
        std::fprintf(stderr, "trevalin-render: out of memory for a %d × %d picture\n", o.width,
                     o.height);
        return kRenderError;
    }
    if (!o.source.empty()) {
        doc->LoadSourceImage(o.source.c_str());
        if (!doc->Source()->HasData())
            std::fprintf(stderr, "trevalin-render: warning: cannot read source image %s\n",
                         o.source.c_str());
    }
    doc->SetSettings(*settings);
    for (const CompileFailure& f : doc->CompileFailures())
        std::fprintf(stderr, "trevalin-render: warning: %s: %s\n", f.field, f.message.c_str());
    const RenderSettings& applied = doc->Settings();
    if (o.source.empty() &&
        (readsSourceImage(applied.red.code) || readsSourceImage(applied.grn.code) ||
         readsSourceImage(applied.blu.code)))
        std::fprintf(stderr,
                     "trevalin-render: note: this preset reads a source image, and without one it "
                     "sees black; give --source FILE.bmp (%s/source.bmp is bundled)\n",
                     bundledPresets().parent_path().c_str());

    if (movie) {
        if (!o.movie.empty()) {
            doc->SetMovieFile(std::filesystem::absolute(o.movie).c_str());
            job.SetWriterFactory([] { return makeMovieWriter(); });
        } else {
            const std::string dir = o.frames;
            job.SetWriterFactory([dir] { return makeFrameFilesWriter(dir); });
        }
        if (const std::string refusal = movieRefusal(doc->Settings()); !refusal.empty()) {
            std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
            return kBadInput;
        }
        doc->SetFrameCount(-1);
    } else {
        doc->SetFrameCount(1);
    }

    doc->StartRendering();
    if (!o.quiet && isatty(STDERR_FILENO)) watch(job, paints, movie, doc->Vars().frames);
    job.Wait();

    if (job.ErrorFlag()) {
        std::fprintf(stderr, "trevalin-render: %s\n", job.Status().c_str());
        return kRenderError;
    }
    if (!o.output.empty()) {
        std::string error;
        const std::string ext = std::filesystem::path(o.output).extension().string();
        const bool ok = (ext == ".png" || ext == ".PNG")
                            ? writePngFile(doc->Image(), o.output, error)
                            : doc->Image().SaveFile(o.output, error);
        if (!ok) {
            std::fprintf(stderr, "trevalin-render: %s\n", error.c_str());
            return kOutputFailed;
        }
    }
    if (!o.quiet) std::fprintf(stderr, "%s\n", job.Status().c_str());
    return kRendered;
}
