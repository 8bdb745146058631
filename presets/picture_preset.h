// The preset a PNG picture carries: the presets file's own text for that one
// preset, after two lines with the picture's size and time position. It
// comes from any file someone hands over, so it is read with the presets
// reader's checks plus limits of its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "render/render_settings.h"

namespace trevalin {

inline constexpr const char* kPictureChunkKeyword = "Trevalin preset";
// Far above any real preset (a few kilobytes), far below memory trouble.
inline constexpr std::size_t kPictureChunkLimit = 256 * 1024;

std::string pictureChunkText(const std::string& name, const RenderSettings& settings, int width,
                             int height);

struct PicturePreset {
    std::string error; // empty when read
    std::string name;
    std::unique_ptr<RenderSettings> settings;
    int width = 0, height = 0;
    std::vector<std::string> warnings; // what the presets reader cut or dropped
};

PicturePreset readPictureChunk(std::string_view text);

} // namespace trevalin
