#include "formula/name_suggestions.h"

#include <algorithm>
#include <array>

#include "formula/name_tables.h"

namespace trevalin {
namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Optimal string alignment distance, letter case ignored.
int editDistance(std::string_view a, std::string_view b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<int> prev2(m + 1), prev(m + 1), cur(m + 1);
    for (std::size_t j = 0; j <= m; ++j)
        prev[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        cur[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1]))
                cur[j] = std::min(cur[j], prev2[j - 2] + 1);
        }
        prev2 = prev;
        prev = cur;
    }
    return prev[m];
}

// names the scanner reads as operators or letters never reach look-up, so
// suggesting them would mislead.
bool neverFound(std::string_view name) {
    static constexpr std::array<std::string_view, 11> kShadowed = {
        "mod", "xor", "and", "or", "r", "g", "b", "c", "s", "l", "?"};
    return std::find(kShadowed.begin(), kShadowed.end(), name) != kShadowed.end();
}

} // namespace

std::vector<std::string> nearestNames(std::string_view word, bool functionsOnly) {
    if (word.size() < 3) return {};
    // Three letters may be one edit off, longer words two.
    const int limit = word.size() <= 3 ? 1 : 2;
    // Ranked by distance, then by whether one word starts the other ("sinn" is
    // nearer to "sin" than to "sign").
    std::vector<std::pair<int, std::string_view>> found;
    bool exact = false;
    auto consider = [&](std::string_view name) {
        if (neverFound(name)) return;
        const int d = editDistance(word, name);
        if (d == 0) exact = true;
        if (d == 0 || d > limit) return;
        for (const auto& f : found)
            if (f.second == name) return;
        const std::size_t common = std::min(word.size(), name.size());
        const bool prefix = editDistance(word.substr(0, common), name.substr(0, common)) == 0;
        found.emplace_back(2 * d + (prefix ? 0 : 1), name);
    };
    for (const FunctionName& f : kBuiltinFunctionTable)
        consider(f.name);
    if (!functionsOnly) {
        for (const VariableName& v : kVariableTable)
            consider(v.name);
            // pi, pi2 and e are read as numbers, not looked up, but are names all the same.
#define TREVALIN_CONSIDER_CONSTANT(Id, spelling, value) consider(spelling);
        TREVALIN_CONSTANTS(TREVALIN_CONSIDER_CONSTANT)
#undef TREVALIN_CONSIDER_CONSTANT
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    if (exact) return out;
    for (const auto& f : found) {
        if (f.first != found.front().first || out.size() == 3) break;
        out.emplace_back(f.second);
    }
    return out;
}

} // namespace trevalin
