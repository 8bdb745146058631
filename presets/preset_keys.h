// The value keys of the presets file: which record field each names, how its
// value is read, and when it is written. The table is in written order.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "render/render_settings.h"

namespace trevalin {

enum class ValueKind {
    Text,    // formula text: up to the next tab
    OptText, // same, written only when not empty (p0, q0)
    Integer, // one word, atoi rules
    Real,    // one word, atof rules
    Flag,    // one word; nonzero means 1, written only when set
    Path,    // rest of the line; written only when not empty
};

struct ValueKey {
    std::string_view key;
    ValueKind kind;
    FormulaSlot RenderSettings::*slot = nullptr;
    std::int32_t RenderSettings::*integer = nullptr; // Integer and Flag
    double RenderSettings::*real = nullptr;
};

std::span<const ValueKey> valueKeys();
const ValueKey* findValueKey(std::string_view key);

} // namespace trevalin
