// Every user-editable render parameter in one flat record, copied whole by
// value. Field names are the presets-file keys.
#pragma once

#include <cstdint>
#include <type_traits>

#include "formula/formula_slot.h"

namespace trevalin {

inline constexpr int kMovieFileSize = 256;
inline constexpr int kSourceFileSize = 260;

struct RenderSettings {
    std::int32_t center;
    std::int32_t oversample;
    std::int32_t cycle;
    FormulaSlot red;
    FormulaSlot grn;
    FormulaSlot blu;
    FormulaSlot left;
    FormulaSlot top;
    FormulaSlot width;
    FormulaSlot height;
    FormulaSlot zoom;
    FormulaSlot min;
    FormulaSlot max;
    FormulaSlot recurse;
    FormulaSlot p0;
    FormulaSlot q0;
    std::int32_t wrap;      // 0 "Pin to Min/Max", 1 "Wrap Around"
    std::int32_t colormode; // 0 "Grayscale", 1 "RGB", 2 "HSV", 3 "Triplet"
    std::int32_t time;      // 0..100
    double startwidth;
    double endwidth;
    double framerate;
    double duration;
    std::int32_t depth;    // 0 "8-bit", 1 "16-bit", 2 "24-bit"
    std::int32_t priority; // 0 "Low", 1 "Normal", 2 "High"
    std::int32_t codec;    // 0 "Raw" .. 5 "Cinepak"
    char moviefile[kMovieFileSize];
    std::int32_t dither;
    std::int32_t seamless;
    std::int32_t lockswidth;
    std::int32_t lockewidth;
    char sourcefile[kSourceFileSize];
};

static_assert(std::is_trivially_copyable_v<RenderSettings>);

} // namespace trevalin
