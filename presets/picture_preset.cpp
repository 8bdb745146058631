#include "presets/picture_preset.h"

#include <cstdio>
#include <sstream>

#include "presets/presets_file.h"
#include "render/dib_image.h"

namespace trevalin {
namespace {

constexpr const char* kSizeKey = "size ";
constexpr const char* kTimeKey = "time ";

// One header line "KEY NUMBER[xNUMBER]"; false unless it is exactly that.
bool headerNumbers(std::string_view line, std::string_view key, int count, int* out) {
    if (line.substr(0, key.size()) != key) return false;
    const std::string rest(line.substr(key.size()));
    char tail = 0;
    const int read = count == 2 ? std::sscanf(rest.c_str(), "%dx%d%c", &out[0], &out[1], &tail)
                                : std::sscanf(rest.c_str(), "%d%c", &out[0], &tail);
    return read == count;
}

} // namespace

std::string pictureChunkText(const std::string& name, const RenderSettings& settings, int width,
                             int height) {
    PresetTree tree;
    tree.append(nullptr, PresetNode::makePreset(name, settings));
    std::ostringstream out;
    out << kSizeKey << width << 'x' << height << '\n' << kTimeKey << settings.time << '\n';
    writePresets(tree, out);
    return out.str();
}

PicturePreset readPictureChunk(std::string_view text) {
    PicturePreset p;
    if (text.size() > kPictureChunkLimit) {
        p.error = "the preset in the picture is " + std::to_string(text.size()) +
                  " bytes, more than the " + std::to_string(kPictureChunkLimit) + " allowed";
        return p;
    }
    // Text only: anything else is not a preset, whatever it may hold.
    for (const char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t') ||
            c == 0x7F) {
            p.error = "the preset in the picture holds binary data";
            return p;
        }
    int size[2] = {0, 0};
    int time = 0;
    const std::size_t first = text.find('\n');
    const std::size_t second = first == std::string_view::npos ? first : text.find('\n', first + 1);
    if (second == std::string_view::npos ||
        !headerNumbers(text.substr(0, first), kSizeKey, 2, size) ||
        !headerNumbers(text.substr(first + 1, second - first - 1), kTimeKey, 1, &time)) {
        p.error = "the preset in the picture does not start with its size and time lines";
        return p;
    }
    if (size[0] < 1 || size[1] < 1 || size[0] > kMaxImageRows || size[1] > kMaxImageRows ||
        time < 0 || time > 100) {
        p.error = "the preset in the picture gives a size or time out of range";
        return p;
    }
    std::istringstream in{std::string(text.substr(second + 1))};
    PresetsReadResult read = readPresets(in);
    const PresetNode* preset = read.tree.firstPreset();
    if (read.status != PresetsReadStatus::Read || !preset) {
        p.error = "the picture's text holds no complete preset";
        return p;
    }
    p.name = preset->name();
    p.settings = std::make_unique<RenderSettings>(*preset->settings());
    p.settings->time = time;
    p.width = size[0];
    p.height = size[1];
    p.warnings = std::move(read.warnings);
    return p;
}

} // namespace trevalin
