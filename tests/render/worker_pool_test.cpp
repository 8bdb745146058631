// The pool's rounds: every requested thread runs the task exactly once per
// round, the threads are kept from round to round, and a round returns only
// after every call has returned.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "render/worker_pool.h"

namespace trevalin {
namespace {

TEST(WorkerPool, EachRoundRunsTheTaskOncePerThread) {
    WorkerPool pool;
    // Growing, shrinking and repeated helper counts, as passes of renders with
    // different thread settings ask for them.
    const int rounds[] = {0, 1, 3, 3, 1, 7, 0, 2, 7, 5};
    std::set<std::thread::id> seenEver;
    for (int helpers : rounds) {
        std::atomic<int> calls{0};
        std::atomic<int> finished{0};
        std::mutex m;
        std::set<std::thread::id> ids;
        pool.run(helpers, [&] {
            {
                std::lock_guard<std::mutex> hold(m);
                ids.insert(std::this_thread::get_id());
            }
            ++calls;
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
        seenEver.insert(ids.begin(), ids.end());
    }
    // Threads are kept: never more than the largest round needed.
    EXPECT_EQ(pool.threadCount(), 7);
    EXPECT_EQ(static_cast<int>(seenEver.size()), 8);
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
        pool.run(c.helpers, [&] {
            std::lock_guard<std::mutex> hold(m);
            ids.insert(std::this_thread::get_id());
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
// on two, sleeps through them instead of spinning between them.
TEST(WorkerPool, HelpersLeftOutOfRoundsSleep) {
    WorkerPool pool;
    pool.run(1, [] {});
    const double process = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double caller = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    int rounds = 0;
    while (std::chrono::steady_clock::now() < until) {
        pool.run(0, [] {});
        ++rounds;
    }
    // Spinning through them, the helper would have used about as much time as
    // the caller; asleep, at most its one spin after the first round.
    const double helper = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process) -
                          (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - caller);
    EXPECT_LT(helper, 0.05) << rounds << " rounds";
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
            pool.run(round % 4, [&] { ++calls; });
            ASSERT_EQ(calls.load(), round % 4 + 1)
                << "round " << round << ", " << spacing.gap.count() << " us apart";
            if (round % 5 == 2) pool.rest();
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
        for (int round = 0; round < 3; ++round)
            pool.run(2, [&] {
                std::lock_guard<std::mutex> hold(m);
                seen.push_back(ownNice());
            });
    });
    starter.join();
    ASSERT_EQ(seen.size(), 9u);
    for (int nice : seen)
        EXPECT_EQ(nice, callerNice);
}

} // namespace
} // namespace trevalin
