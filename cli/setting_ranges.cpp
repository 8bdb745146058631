#include "cli/setting_ranges.h"

#include <array>
#include <cerrno>
#include <cstdlib>

#include "render/movie_codecs.h"

namespace trevalin {
namespace {

constexpr const char* kColourModels[] = {"Grayscale", "RGB", "HSV", "Triplet"};
constexpr const char* kDepths[] = {"8-bit", "16-bit", "24-bit"};

const char* colourModelName(int v) {
    return kColourModels[v];
}
const char* depthName(int v) {
    return kDepths[v];
}
const char* codecName(int v) {
    return kMovieCodecs[v].shortName;
}

struct SettingRange {
    std::string_view key;
    std::int32_t RenderSettings::*field;
    int lo, hi;
    const char* (*nameOf)(int value); // null for a plain number
    bool movieOnly;
};

const std::array<SettingRange, 6> kRanges{{
    {"colormode", &RenderSettings::colormode, 0, 3, colourModelName, false},
    {"wrap", &RenderSettings::wrap, 0, 1, nullptr, false},
    {"cycle", &RenderSettings::cycle, 0, 1, nullptr, false},
    {"oversample", &RenderSettings::oversample, 0, 1, nullptr, false},
    {"codec", &RenderSettings::codec, 0, kMovieCodecCount - 1, codecName, true},
    {"depth", &RenderSettings::depth, 0, 2, depthName, true},
}};

const SettingRange* findRange(std::string_view key) {
    for (const SettingRange& r : kRanges)
        if (r.key == key) return &r;
    return nullptr;
}

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string allowed(const SettingRange& r) {
    if (!r.nameOf) return std::to_string(r.lo) + " to " + std::to_string(r.hi);
    std::string s;
    for (int value = r.lo; value <= r.hi; ++value) {
        if (value > r.lo) s += value == r.hi ? " or " : ", ";
        s += std::string(r.nameOf(value)) + " (" + std::to_string(value) + ")";
    }
    return s;
}

} // namespace

bool isRangedKey(std::string_view key) {
    return findRange(key) != nullptr;
}

bool parseRangedValue(std::string_view key, std::string_view text, int& out, std::string& error) {
    const SettingRange* r = findRange(key);
    if (!r) return false;
    for (int value = r->lo; r->nameOf && value <= r->hi; ++value) {
        if (sameLetters(text, r->nameOf(value))) {
            out = value;
            return true;
        }
    }
    // Codecs go by their long names too ("Motion JPEG A").
    if (r->field == &RenderSettings::codec) {
        if (const int codec = movieCodecByName(std::string(text)); codec >= 0) {
            out = codec;
            return true;
        }
    }
    const std::string t(text);
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(t.c_str(), &end, 10);
    if (!t.empty() && end && *end == '\0' && errno == 0 && n >= r->lo && n <= r->hi) {
        out = static_cast<int>(n);
        return true;
    }
    error = std::string(key) + " takes " + allowed(*r) + ", not \"" + t + "\"";
    return false;
}

std::string rangeRefusal(const RenderSettings& settings, bool forMovie) {
    for (const SettingRange& r : kRanges) {
        if (r.movieOnly && !forMovie) continue;
        const int value = settings.*(r.field);
        if (value < r.lo || value > r.hi)
            return std::string(r.key) + " is " + std::to_string(value) + "; it takes " + allowed(r);
    }
    return {};
}

} // namespace trevalin
