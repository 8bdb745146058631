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

int BandShares::takeFront(int share) {
    std::uint64_t ends = shares_[share].load(std::memory_order_relaxed);
    for (;;) {
        const auto front = static_cast<std::uint32_t>(ends),
                   back = static_cast<std::uint32_t>(ends >> 32);
        if (front >= back) return -1;
        if (shares_[share].compare_exchange_weak(ends, pack(front + 1, back)))
            return static_cast<int>(front);
    }
}

int BandShares::takeBack(int share) {
    std::uint64_t ends = shares_[share].load(std::memory_order_relaxed);
    for (;;) {
        const auto front = static_cast<std::uint32_t>(ends),
                   back = static_cast<std::uint32_t>(ends >> 32);
        if (front >= back) return -1;
        if (shares_[share].compare_exchange_weak(ends, pack(front, back - 1)))
            return static_cast<int>(back - 1);
    }
}

int BandShares::take(int seat) {
    const int own = (seat < 0 ? 0 : seat) % count_;
    const int band = takeFront(own);
    if (band >= 0) return band;
    // From the share with the most left, whose owner is furthest from its end.
    for (;;) {
        int victim = -1;
        std::uint32_t most = 0;
        for (int k = 0; k < count_; ++k) {
            const std::uint64_t ends = shares_[k].load(std::memory_order_relaxed);
            const auto front = static_cast<std::uint32_t>(ends),
                       back = static_cast<std::uint32_t>(ends >> 32);
            if (back > front && back - front > most) {
                most = back - front;
                victim = k;
            }
        }
        if (victim < 0) return -1;
        const int stolen = takeBack(victim);
        if (stolen >= 0) return stolen;
    }
}

} // namespace trevalin
