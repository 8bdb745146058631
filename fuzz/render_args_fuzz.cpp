// Fuzz target for trevalin-render's command line: the bytes are arguments,
// one per line. Whatever is accepted must be within the documented ranges,
// reading it twice gives the same options, and every --set value is applied
// to a preset record the way the presets file would read it. A frame range
// accepted for the movie those settings make lies inside it.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/render_options.h"
#include "cli/set_value.h"
#include "formula/arith.h"
#include "image/dib_image.h"
#include "presets/presets_file.h"
#include "render/movie_codecs.h"

using namespace trevalin;

namespace {

bool same(const RenderOptions& a, const RenderOptions& b) {
    return a.presets == b.presets && a.preset == b.preset && a.source == b.source &&
           a.output == b.output && a.movie == b.movie && a.frames == b.frames && a.sets == b.sets &&
           a.width == b.width && a.height == b.height && a.time == b.time && a.list == b.list &&
           a.quiet == b.quiet && a.from == b.from && a.codec == b.codec &&
           a.assemble == b.assemble && a.rangeGiven == b.rangeGiven &&
           a.rangeFirst == b.rangeFirst && a.rangeLast == b.rangeLast && a.mkdir == b.mkdir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"trevalin-render"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            args.push_back(current);
            current.clear();
        } else if (data[i] != 0) { // a real argument cannot hold a NUL
            current += static_cast<char>(data[i]);
        }
    }
    args.push_back(current);
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(args.size());

    RenderOptions options;
    std::string error;
    const int status = parseOptions(argc, argv.data(), options, error);
    RenderOptions again;
    std::string error2;
    if (parseOptions(argc, argv.data(), again, error2) != status || error != error2) std::abort();
    if (status == kBadInput && error.empty()) std::abort(); // a refusal always says why
    if (status != -1) return 0;

    if (!same(options, again)) std::abort();
    if (options.width < 1 || options.width > kMaxImageRows || options.height < 1 ||
        options.height > kMaxImageRows || options.time < 0 || options.time > 100 ||
        options.threads < 0 || options.threads > 1024)
        std::abort();
    // Both only for a range, which always has a frames folder and an order.
    if (!options.movie.empty() && !options.frames.empty() && !options.rangeGiven) std::abort();
    if (options.rangeGiven && (options.frames.empty() || options.rangeFirst < 0 ||
                               options.rangeFirst > options.rangeLast))
        std::abort();
    if (!options.assemble.empty() && (options.movie.empty() || !options.frames.empty()))
        std::abort();
    if (!options.from.empty() && !options.preset.empty()) std::abort();
    auto settings = std::make_unique<RenderSettings>(); // large: not on the stack
    setPresetDefaults(*settings, "fuzz");
    for (const std::string& s : options.sets) {
        const auto eq = s.find('=');
        if (eq == std::string::npos) std::abort();
        std::string reason;
        setValueByKey(*settings, s.substr(0, eq), s.substr(eq + 1), reason);
    }
    if (options.rangeGiven) {
        const int frames = truncToInt32(settings->duration * settings->framerate);
        const std::string refusal = frameRangeRefusal(options, settings->codec, frames);
        if (refusal.empty() &&
            (options.rangeLast >= frames || options.rangeFirst > options.rangeLast))
            std::abort();
        if (refusal.empty() && !options.movie.empty() &&
            !codecPathMismatch(settings->codec, options.movie).empty())
            std::abort();
    }
    return 0;
}
