#include "cli/set_value.h"

#include <cstdio>
#include <string>

#include "base/c_numbers.h"
#include "cli/setting_ranges.h"
#include "presets/preset_keys.h"

namespace trevalin {

bool setValueByKey(RenderSettings& settings, std::string_view key, std::string_view value,
                   std::string& error) {
    const ValueKey* k = findValueKey(key);
    if (!k) {
        error = "unknown key \"" + std::string(key) + "\"";
        return false;
    }
    const std::string text(value);
    if (isRangedKey(key)) return parseRangedValue(key, value, settings.*(k->integer), error);
    switch (k->kind) {
    case ValueKind::Text:
    case ValueKind::OptText:
        if (text.size() >= kFormulaTextSize) {
            error = std::string(key) + ": formula longer than 1023 characters";
            return false;
        }
        setFormulaText(settings.*(k->slot), text.c_str());
        break;
    case ValueKind::Integer: settings.*(k->integer) = parseInteger(text); break;
    case ValueKind::Real: settings.*(k->real) = parseReal(text); break;
    case ValueKind::Flag: settings.*(k->integer) = parseInteger(text) != 0 ? 1 : 0; break;
    case ValueKind::Path:
        if (text.size() >= sizeof settings.moviefile) {
            error = std::string(key) + ": path longer than 255 characters";
            return false;
        }
        std::snprintf(settings.moviefile, sizeof settings.moviefile, "%s", text.c_str());
        break;
    }
    return true;
}

} // namespace trevalin
