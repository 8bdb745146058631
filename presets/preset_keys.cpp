#include "presets/preset_keys.h"

#include <array>

#include "render/formula_keys.h"

namespace trevalin {

namespace {

using RS = RenderSettings;
using K = ValueKind;

constexpr ValueKey text(const FormulaKey& formula, K kind = K::Text) {
    return {formula.key, kind, formula.slot, nullptr, nullptr};
}
constexpr ValueKey integer(std::string_view key, std::int32_t RS::*field, K kind = K::Integer) {
    return {key, kind, nullptr, field, nullptr};
}
constexpr ValueKey real(std::string_view key, double RS::*field) {
    return {key, K::Real, nullptr, nullptr, field};
}

// moviefile is a char array, reached by the reader and writer directly.
constexpr std::array kKeys{
    text(formulaKey("red")),
    text(formulaKey("grn")),
    text(formulaKey("blu")),
    text(formulaKey("min")),
    text(formulaKey("max")),
    text(formulaKey("left")),
    text(formulaKey("top")),
    text(formulaKey("width")),
    text(formulaKey("height")),
    text(formulaKey("zoom")),
    text(formulaKey("recurse")),
    text(formulaKey("p0"), K::OptText),
    text(formulaKey("q0"), K::OptText),
    integer("colormode", &RS::colormode),
    real("startwidth", &RS::startwidth),
    real("endwidth", &RS::endwidth),
    real("framerate", &RS::framerate),
    real("duration", &RS::duration),
    integer("depth", &RS::depth),
    integer("priority", &RS::priority),
    integer("codec", &RS::codec),
    integer("wrap", &RS::wrap, K::Flag),
    integer("cycle", &RS::cycle, K::Flag),
    integer("center", &RS::center, K::Flag),
    integer("oversample", &RS::oversample, K::Flag),
    integer("dither", &RS::dither, K::Flag),
    integer("seamless", &RS::seamless, K::Flag),
    integer("lockswidth", &RS::lockswidth, K::Flag),
    integer("lockewidth", &RS::lockewidth, K::Flag),
    ValueKey{"moviefile", K::Path},
};

// Every formula key has one row, of formula text, and no other row holds a formula.
consteval bool formulaRowsMatch() {
    std::size_t formulaRows = 0;
    for (const ValueKey& k : kKeys) {
        if (!k.slot) continue;
        ++formulaRows;
        const std::size_t f = formulaKeyIndex(k.key);
        if (f == kFormulaKeys.size() || kFormulaKeys[f].slot != k.slot ||
            (k.kind != K::Text && k.kind != K::OptText))
            return false;
    }
    return formulaRows == kFormulaKeys.size();
}
static_assert(formulaRowsMatch());

} // namespace

std::span<const ValueKey> valueKeys() {
    return kKeys;
}

const ValueKey* findValueKey(std::string_view key) {
    for (const ValueKey& k : kKeys)
        if (k.key == key) return &k;
    return nullptr;
}

} // namespace trevalin
