#include "render/band_shares.h"

namespace trevalin {

BandShares::BandShares(int bands, int shares)
    : count_(shares < 1                    ? 1
             : shares > bands && bands > 0 ? bands
                                           : shares),
      shares_(std::make_unique<std::atomic<std::uint64_t>[]>(static_cast<std::size_t>(count_))) {
    const std::int64_t total = bands < 0 ? 0 : bands;
    for (int k = 0; k < count_; ++k)
        shares_[k] = pack(static_cast<std::uint32_t>(total * k / count_),
                          static_cast<std::uint32_t>(total * (k + 1) / count_));
}

int BandShares::takeEnd(int share, bool fromBack) {
    std::uint64_t ends = shares_[share].load(std::memory_order_relaxed);
    for (;;) {
        const auto [front, back] = unpack(ends);
        if (front >= back) return -1;
        const std::uint32_t band = fromBack ? back - 1 : front;
        const std::uint64_t rest = fromBack ? pack(front, band) : pack(band + 1, back);
        if (shares_[share].compare_exchange_weak(ends, rest)) return static_cast<int>(band);
    }
}

int BandShares::take(int seat) {
    const int own = (seat < 0 ? 0 : seat) % count_;
    const int band = takeEnd(own, false);
    if (band >= 0) return band;
    // From the share with the most left, whose owner is furthest from its end.
    for (;;) {
        int victim = -1;
        std::uint32_t most = 0;
        for (int k = 0; k < count_; ++k) {
            const auto [front, back] = unpack(shares_[k].load(std::memory_order_relaxed));
            if (back > front && back - front > most) {
                most = back - front;
                victim = k;
            }
        }
        if (victim < 0) return -1;
        const int stolen = takeEnd(victim, true);
        if (stolen >= 0) return stolen;
    }
}

} // namespace trevalin
