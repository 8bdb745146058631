// trevalin-render: renders a preset to an image or a movie without a display,
// through the same document and render job as the desktop program.
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/assemble_frames.h"
#include "cli/formula_report.h"
#include "cli/render_options.h"
#include "cli/set_value.h"
#include "cli/setting_ranges.h"
#include "formula/arith.h"
#include "formula/code_walk.h"
#include "movie/movie_writer.h"
#include "presets/frame_files_writer.h"
#include "presets/picture_preset.h"
#include "presets/png_file.h"
#include "presets/presets_file.h"
#include "render/headless_view.h"
#include "render/memory_check.h"
#include "render/movie_check.h"
#include "render/movie_codecs.h"

namespace {

using namespace trevalin;

// Set by SIGINT and SIGTERM; the main thread stops the job as the stop button does.
volatile sig_atomic_t interrupted = 0;
void onInterrupt(int) {
    interrupted = 1;
}

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

// Waits for the job, or for Ctrl-C; with show, reports progress on the
// terminal: pass of a still or frame of a movie, percentage and time left.
void watch(RenderJob& job, const std::atomic<int>& paints, bool movie, int frames, bool show) {
    const auto start = std::chrono::steady_clock::now();
    // Woken as the job ends: a small picture takes milliseconds.
    while (!interrupted && !job.waitFor(std::chrono::milliseconds(100))) {
        if (!show) continue;
        const double secs =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        double fraction;
        if (movie) {
            // Five paint requests per frame: four between passes, one after it.
            const int done = paints.load() / 5;
            fraction = frames ? double(done) / frames : 0;
            std::fprintf(stderr, "\rframe %d of %d, %3d%%", done < frames ? done + 1 : frames,
                         frames, int(100 * fraction));
        } else {
            // Each pass computes three times the pixels of all before it: after
            // pass k, 4^(k-1) / 256 of the picture is done.
            const int done = paints.load() < 4 ? paints.load() : 4;
            fraction = done == 0 ? 0 : (1 << (2 * (done - 1))) / 256.0;
            std::fprintf(stderr, "\rpass %d of 5, %3d%%", done + 1, int(100 * fraction));
        }
        if (fraction > 0)
            std::fprintf(stderr, ", %.0f s left ", secs * (1 - fraction) / fraction);
        else
            std::fprintf(stderr, ", %.1f s ", secs);
    }
    if (show) std::fprintf(stderr, "\r\033[K");
}

// presets.txt: the working directory's, then the one the desktop program
// keeps in the user's data folder, then the bundled file.
std::filesystem::path findPresetsFile() {
    if (std::filesystem::exists("presets.txt")) return "presets.txt";
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::filesystem::path(home) / ".local/share";
    if (!data.empty()) {
        const std::filesystem::path user = data / "Trevalin/Trevalin/presets.txt";
        if (std::filesystem::exists(user)) return user;
    }
    return bundledPresets();
}

// Every preset has a frame rate and a duration; a movie preset is one whose
// frames differ: it zooms, cycles its colours, or a formula reads the time t
// or the frame number n.
bool changesOverTime(const RenderSettings& s) {
    const FormulaSlot* slots[] = {&s.red,  &s.grn, &s.blu, &s.left,    &s.top, &s.width, &s.height,
                                  &s.zoom, &s.min, &s.max, &s.recurse, &s.p0,  &s.q0};
    char* end = nullptr;
    const double zoom = std::strtod(s.zoom.text, &end);
    if (s.cycle || (end != s.zoom.text && *end == '\0' && zoom != 1.0)) return true;
    for (const FormulaSlot* slot : slots) {
        std::string word;
        for (const char* c = slot->text;; ++c) {
            if (std::isalnum(static_cast<unsigned char>(*c)) || *c == '_') {
                word += char(std::tolower(static_cast<unsigned char>(*c)));
                continue;
            }
            if (word == "t" || word == "n") return true;
            word.clear();
            if (!*c) break;
        }
    }
    return false;
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The preset named (by name or category path), ignoring case; an exact match
// wins over one that differs only in case.
const PresetNode* findPresetAnyCase(const PresetTree& tree, const std::string& wanted) {
    if (const PresetNode* exact = tree.findPreset(wanted)) return exact;
    const PresetNode* found = nullptr;
    const std::string key = lowered(wanted);
    tree.forEachPreset([&](const PresetNode& node, const std::string& path) {
        if (!found && (lowered(node.name()) == key || lowered(path) == key)) found = &node;
    });
    return found;
}

// Up to three names nearest to what was asked for.
std::vector<std::string> nearestPresets(const PresetTree& tree, const std::string& wanted) {
    std::vector<std::pair<std::size_t, std::string>> scored;
    const std::string key = lowered(wanted);
    tree.forEachPreset([&](const PresetNode& node, const std::string&) {
        const std::string name = lowered(node.name());
        std::size_t d = editDistance(key, name);
        if (name.find(key) != std::string::npos) d = std::min<std::size_t>(d, 1);
        if (d <= std::max<std::size_t>(2, key.size() / 3)) scored.emplace_back(d, node.name());
    });
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (std::size_t i = 0; i < scored.size() && i < 3; ++i)
        names.push_back(scored[i].second);
    return names;
}

int outputError(const std::string& message) {
    std::fprintf(stderr, "trevalin-render: %s\n", message.c_str());
    return kOutputFailed;
}

// --assemble: the frames of a movie rendered before, joined into one file.
int assemble(const RenderOptions& o, RenderSettings& settings) {
    std::snprintf(settings.moviefile, sizeof settings.moviefile, "%s", o.movie.c_str());
    if (const std::string refusal = movieRefusal(settings); !refusal.empty()) {
        std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
        return kBadInput;
    }
    struct sigaction stop {};
    stop.sa_handler = onInterrupt;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    const AssembleResult r =
        assembleFrames(o.assemble, settings, o.movie, [] { return interrupted != 0; });
    if (r.status != kRendered) {
        std::fprintf(stderr, "trevalin-render: %s\n", r.error.c_str());
        return r.status;
    }
    if (interrupted) {
        std::fprintf(stderr, "trevalin-render: interrupted; kept the %d frames so far in %s\n",
                     r.frames, o.movie.c_str());
        return kInterrupted;
    }
    if (!o.quiet) std::fprintf(stderr, "%s: %d frames\n", o.movie.c_str(), r.frames);
    return kRendered;
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

    const std::filesystem::path presetsPath =
        !o.presets.empty() ? std::filesystem::path(o.presets) : findPresetsFile();
    std::unique_ptr<RenderSettings> settings;
    std::string presetName;
    if (!o.from.empty()) {
        // The picture's own preset; the presets file is not needed.
        std::string text, error;
        if (!readPngPresetText(o.from, text, error)) {
            std::fprintf(stderr, "trevalin-render: %s\n", error.c_str());
            return kBadInput;
        }
        PicturePreset picture = readPictureChunk(text);
        if (!picture.error.empty()) {
            std::fprintf(stderr, "trevalin-render: %s: %s\n", o.from.c_str(),
                         picture.error.c_str());
            return kBadInput;
        }
        for (const std::string& w : picture.warnings)
            std::fprintf(stderr, "trevalin-render: warning: %s: %s\n", o.from.c_str(), w.c_str());
        settings = std::move(picture.settings);
        presetName = picture.name;
        if (!o.sizeGiven) {
            o.width = picture.width;
            o.height = picture.height;
        }
        if (o.timeGiven) settings->time = o.time;
    } else {
        PresetsReadResult presets = readPresetsFile(presetsPath);
        if (presets.status != PresetsReadStatus::Read) {
            std::fprintf(stderr, "trevalin-render: %s\n", presets.error.c_str());
            return kBadInput;
        }
        for (const std::string& warning : presets.warnings)
            std::fprintf(stderr, "trevalin-render: warning: %s: %s\n", presetsPath.c_str(),
                         warning.c_str());
        if (o.list) {
            // Presets carry no picture size: a movie renders at --size.
            presets.tree.forEachPreset([&o](const PresetNode& node, const std::string& path) {
                const std::unique_ptr<RenderSettings> whole = node.makeSettings();
                const RenderSettings& s = *whole;
                const int frames = truncToInt32(s.duration * s.framerate);
                if (frames > 1 && validMovieCodec(s.codec) && changesOverTime(s))
                    std::printf("%s\t(movie: %d frames, %d x %d, %g fps, %s)\n", path.c_str(),
                                frames, o.width, o.height, s.framerate, kMovieCodecs[s.codec].name);
                else
                    std::printf("%s\n", path.c_str());
            });
            return kRendered;
        }
        const PresetNode* preset = o.preset.empty() ? presets.tree.firstPreset()
                                                    : findPresetAnyCase(presets.tree, o.preset);
        if (!preset) {
            std::fprintf(stderr, "trevalin-render: no preset %s in %s\n",
                         o.preset.empty() ? "at all" : ("\"" + o.preset + "\"").c_str(),
                         presetsPath.c_str());
            if (!o.preset.empty()) {
                const auto near = nearestPresets(presets.tree, o.preset);
                for (std::size_t i = 0; i < near.size(); ++i)
                    std::fprintf(stderr, "%s\"%s\"", i == 0 ? "did you mean " : " or ",
                                 near[i].c_str());
                std::fprintf(stderr, "%s(--list shows them all)\n", near.empty() ? "" : "? ");
            }
            return kBadInput;
        }
        settings = preset->makeSettings();
        presetName = preset->name();
        settings->time = o.time;
    }
    if (!o.codec.empty()) settings->codec = movieCodecByName(o.codec);
    for (const std::string& s : o.sets) {
        const auto eq = s.find('=');
        std::string error;
        if (!setValueByKey(*settings, s.substr(0, eq), s.substr(eq + 1), error))
            return usageError("--set " + error);
    }
    if (!o.assemble.empty()) return assemble(o, *settings);
    // Nothing is written for a record that cannot render as the user meant it.
    if (!reportFormulas(*settings, o.quiet, stderr)) {
        std::fprintf(stderr, "trevalin-render: not rendered: a formula does not compile\n");
        return kBadInput;
    }
    if (const std::string refusal = rangeRefusal(*settings, !o.movie.empty()); !refusal.empty()) {
        std::fprintf(stderr, "trevalin-render: not rendered: %s\n", refusal.c_str());
        return kBadInput;
    }

    auto doc = std::make_unique<Document>();
    RenderJob job;
    HeadlessView view(*doc, job);
    doc->setView(&view);
    std::atomic<int> paints{0};
    job.setPaintRequest([&paints] { ++paints; });
    job.setThreadCount(o.threads);
    // Nobody sees the coarse passes here: they store only their own pixels.
    job.setPreviewBlocks(false);

    const bool movie = !o.movie.empty() || !o.frames.empty();
    if (const std::string refusal = memoryRefusal(o.width, o.height, movie, availableMemory());
        !refusal.empty()) {
        std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
        return kBadInput;
    }
    // The size was checked when the options were read: only memory can fail.
    if (!doc->setImageSize(o.width, o.height)) {
        std::fprintf(stderr, "trevalin-render: out of memory for a %d × %d picture\n", o.width,
                     o.height);
        return kRenderError;
    }
    if (!o.source.empty()) {
        doc->loadSourceImage(o.source.c_str());
        if (!doc->source()->hasData())
            std::fprintf(stderr, "trevalin-render: warning: cannot read source image %s\n",
                         o.source.c_str());
    }
    doc->setSettings(*settings);
    for (const CompileFailure& f : doc->compileFailures())
        std::fprintf(stderr, "trevalin-render: warning: %s: %s\n", f.field, f.message.c_str());
    const RenderSettings& applied = doc->settings();
    if (o.source.empty() &&
        (readsSourceImage(applied.red.code) || readsSourceImage(applied.grn.code) ||
         readsSourceImage(applied.blu.code)))
        std::fprintf(stderr,
                     "trevalin-render: note: this preset reads a source image, and without one it "
                     "sees black; give --source FILE.bmp (%s/source.bmp is bundled)\n",
                     bundledPresets().parent_path().c_str());

    std::string written; // what the render leaves, for the last line
    if (movie) {
        if (!o.movie.empty() && !o.rangeGiven) {
            written = std::filesystem::absolute(o.movie).string();
            doc->setMovieFile(written.c_str());
            job.setWriterFactory([] { return makeMovieWriter(); });
        } else {
            // A mistyped folder should not quietly become a new tree of folders.
            std::error_code ec;
            if (!std::filesystem::is_directory(o.frames, ec)) {
                if (!o.mkdir)
                    return outputError(o.frames + ": " + std::strerror(ENOENT) +
                                       " (give --mkdir to create the folder)");
                std::filesystem::create_directories(o.frames, ec);
                if (ec) return outputError(o.frames + ": " + ec.message());
            }
            written = o.frames;
            doc->setMovieFile(o.frames.c_str());
            const std::string dir = o.frames;
            const bool png = applied.codec == movieCodecByName("png");
            std::string chunk = pictureChunkText(presetName, applied, o.width, o.height);
            job.setWriterFactory(
                [dir, png, chunk] { return makeFrameFilesWriter(dir, png, chunk); });
        }
        if (const std::string refusal = movieRefusal(doc->settings()); !refusal.empty()) {
            std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
            return kBadInput;
        }
        doc->setFrameCount(-1);
        if (o.rangeGiven) {
            if (const std::string refusal =
                    frameRangeRefusal(o, doc->settings().codec, doc->vars().frames);
                !refusal.empty()) {
                std::fprintf(stderr, "trevalin-render: %s\n", refusal.c_str());
                return kBadInput;
            }
            job.setFrameRange(o.rangeFirst, o.rangeLast);
        }
    } else {
        doc->setFrameCount(1);
    }

    struct sigaction stop {};
    stop.sa_handler = onInterrupt;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    doc->startRendering();
    watch(job, paints, movie, o.rangeGiven ? o.rangeLast - o.rangeFirst + 1 : doc->vars().frames,
          !o.quiet && isatty(STDERR_FILENO));
    // Ctrl-C stops as the stop button does: the frames so far make the movie.
    if (interrupted) job.stop();
    job.wait();

    if (job.errorFlag()) return outputError(job.status());
    if (interrupted) {
        std::fprintf(stderr, "trevalin-render: interrupted%s%s\n",
                     movie ? "; kept the frames so far in " : "", movie ? written.c_str() : "");
        return kInterrupted;
    }
    if (!o.output.empty()) {
        std::string error;
        const std::string ext = std::filesystem::path(o.output).extension().string();
        const bool ok =
            (ext == ".png" || ext == ".PNG")
                ? writePngFile(doc->image(), o.output, error,
                               pictureChunkText(presetName, doc->settings(), o.width, o.height))
                : doc->image().saveFile(o.output, error);
        if (!ok) return outputError(error);
        written = o.output;
    }
    if (!o.quiet) std::fprintf(stderr, "%s: %s\n", written.c_str(), job.status().c_str());
    if (o.rangeGiven && !o.quiet) {
        if (job.startFrame() < o.rangeFirst)
            std::fprintf(stderr,
                         "trevalin-render: note: frames %d..%d were rendered first, not written: "
                         "the fractal memo frame %d starts with needs them\n",
                         job.startFrame(), o.rangeFirst - 1, o.rangeFirst);
        if (!o.movie.empty()) {
            const std::string source =
                !o.from.empty() ? "--from " + o.from
                                : (o.presets.empty() ? "" : "--presets " + o.presets + " ") +
                                      "--preset \"" + presetName + "\"";
            std::fprintf(stderr,
                         "trevalin-render: once every range is there: trevalin-render --assemble "
                         "%s %s --movie %s (and the same --set and --codec options)\n",
                         o.frames.c_str(), source.c_str(), o.movie.c_str());
        }
    }
    return kRendered;
}
