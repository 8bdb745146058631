// The value of a variable slot for one sample, shared by the one-sample and
// the batched interpreters so both read every variable the same way.
#pragma once

#include <cstdint>

#include "formula/formula_context.h"
#include "formula/frame_variables.h"
#include "formula/opcodes.h"
#include "formula/random_state.h"
#include "formula/scalar_functions.h"
#include "formula/source_pixels.h"

namespace trevalin {

// sx, sy, sz: the pixel's point on a unit sphere wrapped around the image.
inline double sphereLatitude(const FrameVariables& v) {
    return (static_cast<double>(v.py) / v.fh - 0.5) * kPi;
}
inline double sphereLongitude(const FrameVariables& v) {
    return kTwoPi * (static_cast<double>(v.px) / v.fw);
}

// The value of variable slot 2 .. 33. Inlined: most slots are a plain load.
[[gnu::always_inline]] inline double variableValue(std::uint8_t slot, const FormulaContext& ctx,
                                                   const FrameVariables& v) {
    switch (static_cast<Slot>(slot)) {
#define TREVALIN_READ_SLOT(Name, slot, spelling, dependency, reach, value, help)                   \
    case Slot::Name: return value;
        TREVALIN_VARIABLES(TREVALIN_READ_SLOT)
#undef TREVALIN_READ_SLOT
    default: return 0.0; // the caller filters out other slots
    }
}

} // namespace trevalin
