#include "base/c_numbers.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace trevalin {

namespace {

locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return c;
}

} // namespace

std::int32_t parseInteger(std::string_view word) {
    const std::string s(word);
    long v = cLocale() ? strtol_l(s.c_str(), nullptr, 10, cLocale())
                       : std::strtol(s.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}

double parseReal(std::string_view word) {
    const std::string s(word);
    return cLocale() ? strtod_l(s.c_str(), nullptr, cLocale()) : std::strtod(s.c_str(), nullptr);
}

std::string formatReal(double value) {
    // uselocale is per thread, so this does not disturb the rest of the program.
    locale_t previous = cLocale() ? uselocale(cLocale()) : locale_t{};
    char buf[400]; // "%f" of -DBL_MAX needs 317
    int n = std::snprintf(buf, sizeof buf, "%f", value);
    if (previous) uselocale(previous);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

} // namespace trevalin
