// Leaving a processor: the thread ends up elsewhere, with the processors it
// was allowed before, and stays where it is when it may run nowhere else.
#include <gtest/gtest.h>

#include <sched.h>

#include <thread>

#include "render/cpu_move.h"

namespace trevalin {
namespace {

bool sameSet(const cpu_set_t& a, const cpu_set_t& b) {
    return CPU_EQUAL(&a, &b);
}

TEST(CpuMove, LeavesTheProcessorWithoutPinningTheThread) {
    // In a thread of its own: the test changes the thread's allowed set.
    std::thread([] {
        cpu_set_t allowed;
        ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
        if (CPU_COUNT(&allowed) < 2) GTEST_SKIP() << "one processor allowed";
        for (int round = 0; round < 20; ++round) {
            const int here = currentCpu();
            ASSERT_GE(here, 0);
            EXPECT_FALSE(leaveCpu(here == 0 ? 1 : 0)) << "a processor it is not on";
            EXPECT_FALSE(leaveCpu(-1));
            EXPECT_TRUE(leaveCpu(here));
            EXPECT_NE(currentCpu(), here);
            cpu_set_t after;
            ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
            EXPECT_TRUE(sameSet(after, allowed)) << "the thread is left pinned";
        }

        // Allowed one processor only: it stays, and so does its set.
        cpu_set_t one;
        CPU_ZERO(&one);
        const int here = currentCpu();
        CPU_SET(here, &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        EXPECT_FALSE(leaveCpu(here));
        EXPECT_EQ(currentCpu(), here);
        cpu_set_t after;
        ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
        EXPECT_TRUE(sameSet(after, one));
    }).join();
}

} // namespace
} // namespace trevalin
