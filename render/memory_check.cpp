#include "render/memory_check.h"

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

namespace trevalin {
namespace {

std::string gigabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
    return text;
}

// A field of /proc/meminfo or /proc/self/status in bytes; 0 when absent.
std::uint64_t procField(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream fields(line.substr(name.size() + 1));
        std::uint64_t kilobytes = 0;
        fields >> kilobytes;
        return kilobytes * 1024;
    }
    return 0;
}

} // namespace

std::uint64_t renderMemoryNeed(int width, int height, bool movie) {
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    // The picture is one 32-bit word per pixel. A movie writer keeps a copy
    // of the frame, its reduced colours and the encoder's input as well.
    return 4 * pixels + (movie ? 10 * pixels : 0);
}

std::uint64_t availableMemory() {
    std::uint64_t available = procField("/proc/meminfo", "MemAvailable");
    if (available == 0) return std::numeric_limits<std::uint64_t>::max(); // cannot tell
    available += procField("/proc/meminfo", "SwapFree");
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t used = procField("/proc/self/status", "VmSize");
        const std::uint64_t room = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
        if (room < available) available = room;
    }
    return available;
}

std::string memoryRefusal(int width, int height, bool movie, std::uint64_t available) {
    const std::uint64_t need = renderMemoryNeed(width, height, movie);
    if (need <= available) return {};
    const std::string size = std::to_string(width) + " × " + std::to_string(height);
    const std::string picture = gigabytes(renderMemoryNeed(width, height, false));
    return size + " needs " + picture + " for the picture" +
           (movie ? " and " + gigabytes(need) + " in all for a movie" : std::string()) + "; " +
           gigabytes(available) + " is available";
}

} // namespace trevalin
