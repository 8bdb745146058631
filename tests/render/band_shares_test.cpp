// Bands dealt out in shares: taken by threads at once, every band goes to
// exactly one thread; an owner takes a contiguous run from its share's front,
// whatever the others take from its back; and one share is pass order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "render/band_shares.h"

namespace trevalin {
namespace {

TEST(BandShares, EveryBandOnceAndOwnersFromTheFront) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 400; ++trial) {
        const int bands = static_cast<int>(random() % 130);
        const int shares = 1 + static_cast<int>(random() % 6);
        const int threads = 1 + static_cast<int>(random() % 6);
        const int pause = static_cast<int>(random() % 3); // spreads the threads' pace
        BandShares dealt(bands, shares);
        std::vector<std::vector<int>> taken(static_cast<std::size_t>(threads));
        std::vector<std::thread> workers;
        for (int seat = 0; seat < threads; ++seat)
            workers.emplace_back([&, seat] {
                for (int band; (band = dealt.take(seat)) >= 0;) {
                    taken[static_cast<std::size_t>(seat)].push_back(band);
                    for (int i = 0; i < pause * seat * 50; ++i)
                        std::this_thread::yield();
                }
            });
        for (std::thread& w : workers)
            w.join();
        const std::string where = std::to_string(bands) + " bands, " + std::to_string(shares) +
                                  " shares, " + std::to_string(threads) + " threads";

        std::vector<int> all;
        for (const std::vector<int>& t : taken)
            all.insert(all.end(), t.begin(), t.end());
        std::sort(all.begin(), all.end());
        std::vector<int> expected(static_cast<std::size_t>(bands));
        for (int b = 0; b < bands; ++b)
            expected[static_cast<std::size_t>(b)] = b;
        ASSERT_EQ(all, expected) << where;

        // The shares as the constructor cuts them (fewer when bands are few).
        // With a seat for each share at most, as renders deal them, an owner
        // takes first, first + 1, ... of its own: a run from the front.
        const int count = std::min(shares, std::max(bands, 1));
        for (int seat = 0; seat < threads && threads <= count; ++seat) {
            const int first = bands * seat / count, end = bands * (seat + 1) / count;
            int next = first;
            for (int band : taken[static_cast<std::size_t>(seat)]) {
                if (band < first || band >= end) continue;
                EXPECT_EQ(band, next) << where << ", seat " << seat;
                next = band + 1;
            }
        }
        if (count == 1 && threads == 1) {
            EXPECT_EQ(taken[0], expected) << "pass order";
        }
    }
}

} // namespace
} // namespace trevalin
