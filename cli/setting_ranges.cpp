#include "cli/setting_ranges.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>

namespace trevalin {
namespace {

struct SettingRange {
    std::string_view key;
    std::int32_t RenderSettings::*field;
    int lo, hi;
    std::initializer_list<const char*> names; // by value, from lo; may be empty
    bool movieOnly;
};

const std::array<SettingRange, 6> kRanges{{
    {"colormode", &RenderSettings::colormode, 0, 3, {"Grayscale", "RGB", "HSV", "Triplet"}, false},
    {"wrap", &RenderSettings::wrap, 0, 1, {}, false},
    {"cycle", &RenderSettings::cycle, 0, 1, {}, false},
    {"oversample", &RenderSettings::oversample, 0, 1, {}, false},
    {"codec", &RenderSettings::codec, 0, 5, {}, true},
    {"depth", &RenderSettings::depth, 0, 2, {"8-bit", "16-bit", "24-bit"}, true},
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
    std::string s;
    if (r.names.size() == 0) return std::to_string(r.lo) + " to " + std::to_string(r.hi);
    int value = r.lo;
    for (const char* name : r.names) {
        if (value > r.lo) s += value == r.hi ? " or " : ", ";
        s += std::string(name) + " (" + std::to_string(value++) + ")";
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
    int value = r->lo;
    for (const char* name : r->names) {
        if (sameLetters(text, name)) {
            out = value;
            return true;
        }
        ++value;
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
