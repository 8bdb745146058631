// Fuzz target for the preset a PNG carries: any text is read without a crash,
// and a preset that was read writes a chunk that reads back to the same chunk.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "presets/picture_preset.h"

using namespace trevalin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PicturePreset first =
        readPictureChunk(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first.error.empty()) return 0;
    if (!first.settings || first.width < 1 || first.height < 1) std::abort();
    const std::string once =
        pictureChunkText(first.name, *first.settings, first.width, first.height);
    const PicturePreset second = readPictureChunk(once);
    if (!second.error.empty() || !second.settings) std::abort();
    const std::string twice =
        pictureChunkText(second.name, *second.settings, second.width, second.height);
    // A name or formula cut on the first read may settle one read later.
    const PicturePreset third = readPictureChunk(twice);
    if (!third.settings ||
        pictureChunkText(third.name, *third.settings, third.width, third.height) != twice)
        std::abort();
    return 0;
}
