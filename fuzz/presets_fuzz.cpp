// Fuzz target for the presets file: any bytes read without a crash, and
// reading and writing again reaches a fixed point. It may take two passes: a
// formula of 1023 characters is written whole, with its key in front, and the
// reader cuts that line at 1023 characters (the writer warns).
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "presets/presets_file.h"

using namespace trevalin;

namespace {

std::string writeText(const PresetTree& tree) {
    std::ostringstream out;
    if (!writePresets(tree, out).ok) std::abort();
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const std::string once = writeText(readPresets(in).tree);

    std::istringstream again(once);
    const std::string twice = writeText(readPresets(again).tree);
    std::istringstream third(twice);
    if (writeText(readPresets(third).tree) != twice) std::abort();
    return 0;
}
