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

// The row of a formula key, or null.
constexpr const FormulaKey* findFormulaKey(std::string_view key) {
    for (const FormulaKey& k : kFormulaKeys)
        if (key == k.key) return &k;
    return nullptr;
}

// The row of a key known when compiling: a name that is not a formula key
// stops the build.
consteval const FormulaKey& formulaKey(std::string_view key) {
    const FormulaKey* k = findFormulaKey(key);
    if (!k) throw "not a formula key";
    return *k;
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
