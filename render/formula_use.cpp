#include "render/formula_use.h"

#include "render/formula_keys.h"

namespace trevalin {

bool formulaInUse(const RenderSettings& settings, std::string_view key) {
    // Grayscale and Triplet read only the first colour formula.
    if (key == formulaKey("grn").key || key == formulaKey("blu").key)
        return settings.colormode == 1 || settings.colormode == 2;
    if (key == formulaKey("red").key) return settings.colormode >= 0 && settings.colormode <= 3;
    return true;
}

} // namespace trevalin
