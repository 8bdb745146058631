#include "render/formula_use.h"

namespace trevalin {

bool formulaInUse(const RenderSettings& settings, std::string_view key) {
    if (key == "grn" || key == "blu") return settings.colormode == 1 || settings.colormode == 2;
    if (key == "red") return settings.colormode >= 0 && settings.colormode <= 3;
    return true;
}

} // namespace trevalin
