// The formula fields of a render record, by their presets-file keys, in the
// order they compile: the colour formulas, the region and zoom, the range, the
// fractal parameters, and the iteration count last. The document compiles
// them in this order, the presets file finds their slots here, the pages name
// their edits by these keys.
#pragma once

#include <array>
#include <string_view>

#include "render/render_settings.h"

namespace trevalin {

struct FormulaKey {
    const char* key;
    FormulaSlot RenderSettings::*slot;
};

inline constexpr std::array<FormulaKey, 13> kFormulaKeys{{
    {"red", &RenderSettings::red},
    {"grn", &RenderSettings::grn},
    {"blu", &RenderSettings::blu},
    {"left", &RenderSettings::left},
    {"top", &RenderSettings::top},
    {"width", &RenderSettings::width},
    {"height", &RenderSettings::height},
    {"zoom", &RenderSettings::zoom},
    {"min", &RenderSettings::min},
    {"max", &RenderSettings::max},
    {"p0", &RenderSettings::p0},
    {"q0", &RenderSettings::q0},
    {"recurse", &RenderSettings::recurse},
}};

// The index of a formula key's row, or kFormulaKeys.size().
constexpr std::size_t formulaKeyIndex(std::string_view key) {
    for (std::size_t i = 0; i < kFormulaKeys.size(); ++i)
        if (key == kFormulaKeys[i].key) return i;
    return kFormulaKeys.size();
}

// The row of a formula key, or null.
constexpr const FormulaKey* findFormulaKey(std::string_view key) {
    const std::size_t i = formulaKeyIndex(key);
    return i < kFormulaKeys.size() ? &kFormulaKeys[i] : nullptr;
}

// The row of a key known when compiling: a name that is not a formula key
// stops the build. A copy, found by index: the sanitizer builds do not take a
// pointer compared with null as a constant.
consteval FormulaKey formulaKey(std::string_view key) {
    const std::size_t i = formulaKeyIndex(key);
    if (i == kFormulaKeys.size()) throw "not a formula key";
    return kFormulaKeys[i];
}

// No two rows share a key or a slot.
consteval bool formulaKeysDistinct() {
    for (std::size_t i = 0; i < kFormulaKeys.size(); ++i)
        for (std::size_t j = i + 1; j < kFormulaKeys.size(); ++j)
            if (std::string_view(kFormulaKeys[i].key) == kFormulaKeys[j].key ||
                kFormulaKeys[i].slot == kFormulaKeys[j].slot)
                return false;
    return true;
}
static_assert(formulaKeysDistinct());

} // namespace trevalin
