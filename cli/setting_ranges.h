// The settings that take only a few values, with their allowed range and, for
// the colour model, the names the values go by. --set reads them by number or
// name; a record from a presets file is checked against the same table.
#pragma once

#include <string>
#include <string_view>

#include "render/render_settings.h"

namespace trevalin {

// True when key has a fixed range. Then parses text as a number in the range or
// as one of the key's names (any letter case); false with the message naming
// the allowed values otherwise.
bool isRangedKey(std::string_view key);
bool parseRangedValue(std::string_view key, std::string_view text, int& out, std::string& error);

// Empty when every ranged field of the record is in range; otherwise the
// message for the first that is not. The movie's codec and depth count only
// when forMovie.
std::string rangeRefusal(const RenderSettings& settings, bool forMovie);

} // namespace trevalin
