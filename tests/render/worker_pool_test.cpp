// The pool's rounds: every requested thread runs the task at most once per
// round, and all of them when the caller's call waits for them; the threads
// are kept from round to round, each in the same seat, and a round returns
// only after every call that began has returned.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "render/worker_pool.h"

namespace trevalin {
namespace {

// Holds the caller's call until `expected` calls have begun (ten seconds at
// most), so that no helper is let off and each round counts every thread.
void holdCaller(std::thread::id caller, const std::atomic<int>& calls, int expected) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::this_thread::get_id() == caller && calls.load() < expected &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

TEST(WorkerPool, EachRoundRunsTheTaskOncePerThread) {
    WorkerPool pool;
    // Growing, shrinking and repeated helper counts, as passes of renders with
    // different thread settings ask for them.
    const int rounds[] = {0, 1, 3, 3, 1, 7, 0, 2, 7, 5};
    std::set<std::thread::id> seenEver;
    std::map<std::thread::id, int> seatOf;
    for (int helpers : rounds) {
        std::atomic<int> calls{0};
        std::atomic<int> finished{0};
        std::mutex m;
        std::set<std::thread::id> ids;
        std::set<int> seats;
        const std::thread::id caller = std::this_thread::get_id();
        pool.run(helpers, [&] {
            {
                std::lock_guard<std::mutex> hold(m);
                ids.insert(std::this_thread::get_id());
                seats.insert(WorkerPool::seat());
                // A thread keeps its seat from round to round.
                const auto [at, first] =
                    seatOf.emplace(std::this_thread::get_id(), WorkerPool::seat());
                EXPECT_TRUE(first || at->second == WorkerPool::seat());
            }
            ++calls;
            holdCaller(caller, calls, helpers + 1);
            // Work that is not done at once, so late returns would show.
            volatile double sink = 0;
            for (int i = 0; i < 20000; ++i)
                sink = sink + i;
            ++finished;
        });
        // Everything has returned by the time run does.
        EXPECT_EQ(calls.load(), helpers + 1) << helpers << " helpers";
        EXPECT_EQ(finished.load(), helpers + 1) << helpers << " helpers";
        EXPECT_EQ(static_cast<int>(ids.size()), helpers + 1) << helpers << " helpers";
        EXPECT_TRUE(ids.count(std::this_thread::get_id())) << "the caller takes part";
        // Seats 0 (the caller) to helpers, one a thread.
        EXPECT_EQ(static_cast<int>(seats.size()), helpers + 1) << helpers << " helpers";
        EXPECT_EQ(*seats.begin(), 0);
        EXPECT_EQ(*seats.rbegin(), helpers);
        seenEver.insert(ids.begin(), ids.end());
    }
    // Threads are kept: never more than the largest round needed.
    EXPECT_EQ(pool.threadCount(), 7);
    EXPECT_EQ(static_cast<int>(seenEver.size()), 8);
}

// Rounds of shared work, as a pass's bands: every item is done exactly once
// whichever threads arrive, a helper that comes after the caller's call has
// returned is let off and never calls the task (a fresh one each round, gone
// when run returns), and no call is still running when run returns.
TEST(WorkerPool, LateHelpersAreLetOff) {
    WorkerPool pool;
    for (int round = 0; round < 3000; ++round) {
        const int helpers = 1 + round % 3;
        const int items = round % 5 == 0 ? 0 : 1 + round % 40;
        std::vector<std::atomic<int>> done(static_cast<std::size_t>(items));
        std::atomic<int> next{0};
        std::atomic<int> inside{0};
        std::atomic<int> calls{0};
        {
            const std::function<void()> task = [&] {
                ++inside;
                ++calls;
                for (int i = next++; i < items; i = next++)
                    ++done[static_cast<std::size_t>(i)];
                --inside;
            };
            pool.run(helpers, task);
        }
        ASSERT_EQ(inside.load(), 0) << "round " << round;
        ASSERT_GE(calls.load(), 1) << "round " << round;
        ASSERT_LE(calls.load(), helpers + 1) << "round " << round;
        for (int i = 0; i < items; ++i)
            ASSERT_EQ(done[static_cast<std::size_t>(i)].load(), 1)
                << "item " << i << ", round " << round;
        if (round % 7 == 3) pool.rest();
        if (round % 11 == 5) pool.warm();
    }
    // Time for a wrongly late call of the last round to come, and crash on
    // its task, before the pool ends and would stop it.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Threads started ahead of the first round, as a render starts them while it
// sets up its frame: they take part in the rounds, and later rounds start
// only the threads still missing.
TEST(WorkerPool, ThreadsStartedAheadTakePartInTheRounds) {
    const struct {
        int started, helpers, threads;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {3, 3, 3}, {3, 1, 3}, {2, 4, 4}};
    for (const auto& c : cases) {
        WorkerPool pool;
        pool.start(c.started);
        EXPECT_EQ(pool.threadCount(), c.started);
        std::mutex m;
        std::set<std::thread::id> ids;
        std::atomic<int> calls{0};
        const std::thread::id caller = std::this_thread::get_id();
        pool.run(c.helpers, [&] {
            {
                std::lock_guard<std::mutex> hold(m);
                ids.insert(std::this_thread::get_id());
            }
            ++calls;
            holdCaller(caller, calls, c.helpers + 1);
        });
        EXPECT_EQ(static_cast<int>(ids.size()), c.helpers + 1)
            << c.started << " started, " << c.helpers << " helpers";
        EXPECT_EQ(pool.threadCount(), c.threads)
            << c.started << " started, " << c.helpers << " helpers";
    }
}

double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A helper left out of the rounds, as when a render on one thread follows one
// on two, sleeps through them instead of spinning between them; so does one
// warmed for a render that never comes.
TEST(WorkerPool, HelpersLeftOutOfRoundsSleep) {
    for (const bool warmed : {false, true}) {
        WorkerPool pool;
        pool.run(1, [] {});
        const double process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double caller = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        int rounds = 0;
        if (warmed) {
            pool.rest();
            pool.warm();
        }
        while (std::chrono::steady_clock::now() < until) {
            if (!warmed) pool.run(0, [] {});
            ++rounds;
        }
        // Spinning through them, the helper would have used about as much time
        // as the caller; asleep, at most its one spin after the first round.
        const double helper = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process) -
                              (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - caller);
        EXPECT_LT(helper, 0.05) << rounds << " rounds, " << (warmed ? "warmed" : "left out");
    }
}

// Rounds back to back, which the waiting threads catch while they spin, and
// rounds far enough apart that they have gone to sleep; some after a rest,
// which sends the waiting threads to sleep at once.
TEST(WorkerPool, ManyShortRoundsInARow) {
    const struct {
        int rounds;
        std::chrono::microseconds gap;
    } spacings[] = {{2000, std::chrono::microseconds(0)}, {40, std::chrono::microseconds(400)}};
    for (const auto& spacing : spacings) {
        WorkerPool pool;
        for (int round = 0; round < spacing.rounds; ++round) {
            std::atomic<int> calls{0};
            const std::thread::id caller = std::this_thread::get_id();
            pool.run(round % 4, [&] {
                ++calls;
                holdCaller(caller, calls, round % 4 + 1);
            });
            ASSERT_EQ(calls.load(), round % 4 + 1)
                << "round " << round << ", " << spacing.gap.count() << " us apart";
            if (round % 5 == 2) pool.rest();
            if (round % 3 == 1) pool.warm();
            std::this_thread::sleep_for(spacing.gap);
        }
    }
}

int ownNice() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

// The render job lowers its thread's priority for "Low"; the pool's threads,
// started from that thread, must run at the same nice value and not add to it.
TEST(WorkerPool, ThreadsRunAtTheStartingThreadsNiceValue) {
    std::vector<int> seen;
    int callerNice = 0;
    std::thread starter([&] {
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), ownNice() + 3);
        callerNice = ownNice();
        WorkerPool pool;
        std::mutex m;
        const std::thread::id caller = std::this_thread::get_id();
        for (int round = 0; round < 3; ++round) {
            std::atomic<int> calls{0};
            pool.run(2, [&] {
                {
                    std::lock_guard<std::mutex> hold(m);
                    seen.push_back(ownNice());
                }
                ++calls;
                holdCaller(caller, calls, 3);
            });
        }
    });
    starter.join();
    ASSERT_EQ(seen.size(), 9u);
    for (int nice : seen)
        EXPECT_EQ(nice, callerNice);
}

} // namespace
} // namespace trevalin
