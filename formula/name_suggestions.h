// Known names close to a misspelt one, for "did you mean" hints.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevalin {

// Up to three names of the function table (and, unless functionsOnly, of the
// variable table) nearest to word by edit distance, a swap of two neighbours
// counting as one edit; nearest first, table order among equals. Nothing for
// words of one or two letters, where every short name would be "near".
std::vector<std::string> nearestNames(std::string_view word, bool functionsOnly);

} // namespace trevalin
