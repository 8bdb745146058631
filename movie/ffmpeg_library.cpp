#include "movie/ffmpeg_library.h"

#include <dlfcn.h>

#include <mutex>
#include <string_view>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/version.h>
#include <libavutil/version.h>
#include <libswscale/version.h>
}

namespace trevalin {
namespace {

FfmpegLibrary functions;
std::string loadError;

// The libraries by the major version of the headers the writers were built
// with: another major version may lay out the structures differently. Each
// library needs the ones before it.
struct Library {
    const char* name;
    int major;
    void* handle;
};
Library libraries[] = {
    {"avutil", LIBAVUTIL_VERSION_MAJOR, nullptr},
    {"swscale", LIBSWSCALE_VERSION_MAJOR, nullptr},
    {"avcodec", LIBAVCODEC_VERSION_MAJOR, nullptr},
    {"avformat", LIBAVFORMAT_VERSION_MAJOR, nullptr},
};

std::string fileName(const Library& library) {
    return "lib" + std::string(library.name) + ".so." + std::to_string(library.major);
}

void* handleOf(const char* name) {
    for (const Library& library : libraries)
        if (std::string_view(library.name) == name) return library.handle;
    return nullptr;
}

// Whether every function was found; the error names the first one missing.
bool load() {
    for (Library& library : libraries) {
        library.handle = dlopen(fileName(library).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library.handle) {
            const char* why = dlerror();
            loadError = "movies need FFmpeg's " + fileName(library) +
                        ", which did not load: " + (why ? why : "unknown reason");
            return false;
        }
    }
#define TREVALIN_FFMPEG_FIND(library, name)                                                        \
    functions.name = reinterpret_cast<decltype(&::name)>(dlsym(handleOf(#library), #name));        \
    if (!functions.name) {                                                                         \
        loadError = "movies need " #name " in FFmpeg's lib" #library ", which lacks it";           \
        return false;                                                                              \
    }
    TREVALIN_FFMPEG_FUNCTIONS(TREVALIN_FFMPEG_FIND)
#undef TREVALIN_FFMPEG_FIND
    // Failures reach the user through the writers' reporters; FFmpeg's own
    // chatter (warnings about pixel formats and the like) would only fill the
    // terminal.
    functions.av_log_set_level(AV_LOG_ERROR);
    return true;
}

} // namespace

bool loadFfmpeg(std::string& error) {
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] { loaded = load(); });
    if (!loaded) error = loadError;
    return loaded;
}

const FfmpegLibrary& ffmpeg() {
    return functions;
}

} // namespace trevalin
