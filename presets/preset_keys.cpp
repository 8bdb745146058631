#include "presets/preset_keys.h"

#include <array>

namespace trevalin {

namespace {

using RS = RenderSettings;
using K = ValueKind;

constexpr ValueKey text(std::string_view key, FormulaSlot RS::*slot, K kind = K::Text) {
    return {key, kind, slot, nullptr, nullptr};
}
constexpr ValueKey integer(std::string_view key, std::int32_t RS::*field, K kind = K::Integer) {
    return {key, kind, nullptr, field, nullptr};
}
constexpr ValueKey real(std::string_view key, double RS::*field) {
    return {key, K::Real, nullptr, nullptr, field};
}

// moviefile is a char array, reached by the reader and writer directly.
constexpr std::array kKeys{
    text("red", &RS::red),
    text("grn", &RS::grn),
    text("blu", &RS::blu),
    text("min", &RS::min),
    text("max", &RS::max),
    text("left", &RS::left),
    text("top", &RS::top),
    text("width", &RS::width),
    text("height", &RS::height),
    text("zoom", &RS::zoom),
    text("recurse", &RS::recurse),
    text("p0", &RS::p0, K::OptText),
    text("q0", &RS::q0, K::OptText),
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
    ValueKey{"moviefile", K::path},
};

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
