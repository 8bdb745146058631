#include "formula/scalar_functions.h"

#include <algorithm>
#include <cmath>

#include "formula/arith.h"

namespace trevalin {

double fib(double a) {
    const std::int32_t n = truncToInt32(a);
    if (n <= 0) return 1.0;
    // Counts reach 2^31, so the n additions are replaced by fast doubling on
    // F(k), F(k+1) modulo 2^32; the identities hold in that ring, so the wrapped
    // result equals the one the step-by-step loop would give. fib(n) = F(n+1).
    const std::uint32_t m = static_cast<std::uint32_t>(n) + 1u;
    std::uint32_t fk = 0, fk1 = 1; // F(0), F(1)
    for (int bit = 31; bit >= 0; --bit) {
        const std::uint32_t f2k = fk * (2u * fk1 - fk);
        const std::uint32_t f2k1 = fk * fk + fk1 * fk1;
        if (m >> bit & 1u) {
            fk = f2k1;
            fk1 = f2k + f2k1;
        } else {
            fk = f2k;
            fk1 = f2k1;
        }
    }
    return static_cast<double>(static_cast<std::int32_t>(fk));
}

double prime(double a) {
    const std::int32_t n = truncToInt32(a);
    if (n < 4) return 1.0;
    if (n % 2 == 0) return 0.0;
    std::int32_t i = 3;
    std::int32_t q = n / 3;
    while (q > i) {
        if (q * i == n) return 0.0;
        i += 2;
        q = n / i;
    }
    return 1.0;
}

double linen(double x, double rise, double dur, double dec) {
    if (x < 0.0) return 0.0;
    if (x > dur) return 0.0;
    if (dec > dur) dec = dur;
    if (rise > 0.0 && x < rise) return x / rise;
    double s = dur - dec;
    if (s < 0.0) s = 0.0;
    if (dec > 0.0 && x >= s) return 1.0 - (x - s) / dec;
    return 1.0;
}

double linenr(double x, double rise, double dur, double level) {
    if (x < 0.0) return 0.0;
    if (rise + dur < x) return 0.0;
    if (rise > 0.0 && x < rise) return x / rise;
    return std::pow(level, (x - rise) / dur);
}

double limit(double x, double lo, double hi) {
    if (hi < lo) return (hi - lo) * 0.5;
    if (x < lo) return lo;
    if (x > hi) return hi;
    return x;
}

double angle(double a, double b) {
    const double r = std::sqrt(a * a + b * b);
    const double q = a / r;
    return b > 0.0 ? kTwoPi - std::acos(q) : std::acos(q);
}

void hsvToRgb(std::int32_t& h, std::int32_t& s, std::int32_t& v) {
    constexpr double kInv255 = 0.00392156862745098;
    constexpr double kInv60 = 0.016666666666666666;
    // 360 * h wraps in 32 bits for hues far outside 0 .. 255, without overflow.
    const auto h360 = static_cast<std::int32_t>(360u * static_cast<std::uint32_t>(h));
    const double H = h360 * kInv255;
    const double S = s * kInv255;
    const double V = v * kInv255;
    double red = V, green = V, blue = V;
    if (S != 0.0) {
        const double h6 = H < 360.0 ? H * kInv60 : 0.0;
        const std::int32_t sector = truncToInt32(h6);
        const double f = h6 - sector;
        const double p = V * (1.0 - S);
        const double q = V * (1.0 - f * S);
        const double u = V * (1.0 - (1.0 - f) * S);
        switch (sector) {
        case 0: red = V, green = u, blue = p; break;
        case 1: red = q, green = V, blue = p; break;
        case 2: red = p, green = V, blue = u; break;
        case 3: red = p, green = q, blue = V; break;
        case 4: red = u, green = p, blue = V; break;
        default: red = V, green = p, blue = q; break;
        }
    }
    h = truncToInt32(red * 255.0);
    s = truncToInt32(green * 255.0);
    v = truncToInt32(blue * 255.0);
}

std::int32_t pixelLargest(std::uint32_t p) {
    return std::max({redOf(p), greenOf(p), blueOf(p)});
}

double pixelSaturation(std::uint32_t p) {
    const std::int32_t M = pixelLargest(p);
    if (M == 0) return 0.0;
    const std::int32_t m = std::min({redOf(p), greenOf(p), blueOf(p)});
    return static_cast<double>(M - m) * 255.0 / M;
}

double pixelHue(std::uint32_t p) {
    const std::int32_t R = redOf(p), G = greenOf(p), B = blueOf(p);
    const std::int32_t M = std::max({R, G, B});
    const std::int32_t m = std::min({R, G, B});
    if (M == 0 || M == m) return 0.0;
    const double d = M - m;
    const double rc = (M - R) / d;
    const double gc = (M - G) / d;
    const double bc = (M - B) / d;
    double h;
    if (R == M)
        h = bc - gc;
    else if (G == M)
        h = 2.0 + rc - bc;
    else
        h = 4.0 + gc - rc;
    h = 60.0 * h;
    if (h < 0.0) h = h + 360.0;
    return h * 0.7083333333333334;
}

} // namespace trevalin
