#include "presets/picture_preset.h"

#include <sstream>

#include "image/dib_image.h"
#include "presets/presets_file.h"

namespace trevalin {
namespace {

constexpr const char* kSizeKey = "size ";
constexpr const char* kTimeKey = "time ";

// A decimal number of at most 6 digits (the size and time limits are far
// below), so no conversion overflows.
bool smallNumber(std::string_view& text, int& out) {
    std::size_t n = 0;
    while (n < text.size() && n < 7 && text[n] >= '0' && text[n] <= '9')
        ++n;
    if (n == 0 || n > 6) return false;
    out = 0;
    for (std::size_t i = 0; i < n; ++i)
        out = out * 10 + (text[i] - '0');
    text.remove_prefix(n);
    return true;
}

// One header line "KEY NUMBER" or "KEY NUMBERxNUMBER"; false unless exactly that.
bool headerNumbers(std::string_view line, std::string_view key, int count, int* out) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, key.size()) != key) return false;
    line.remove_prefix(key.size());
    if (!smallNumber(line, out[0])) return false;
    if (count == 2) {
        if (line.empty() || line[0] != 'x') return false;
        line.remove_prefix(1);
        if (!smallNumber(line, out[1])) return false;
    }
    return line.empty();
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
    p.settings = preset->makeSettings();
    p.settings->time = time;
    p.width = size[0];
    p.height = size[1];
    p.warnings = std::move(read.warnings);
    return p;
}

} // namespace trevalin
