// Jumping the generator ahead, and the draw counts the renderer jumps by: both
// checked against plain stepping and against what running the code does.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

#include "eval_support.h"
#include "formula/noise.h"
#include "formula/random_draws.h"
#include "formula/random_state.h"

namespace trevalin {
namespace {

using namespace evaltest;

std::int32_t stepTimes(std::int32_t s, std::uint64_t k) {
    for (std::uint64_t i = 0; i < k; ++i)
        s = RandomState::step(s);
    return s;
}

TEST(RandomJump, EqualsSingleStepsForAnyState) {
    const std::int32_t states[] = {1,      2,         16807,      665,       123456789,  2147483646,
                                   -1,     INT32_MIN, -127773,    INT32_MAX, -INT32_MAX, 0,
                                   127773, 44488,     1043618065, -987654321};
    const std::uint64_t jumps[] = {0, 1, 2, 3, 7, 64, 511, 512, 768, 1000, 4099};
    for (std::int32_t s : states)
        for (std::uint64_t k : jumps)
            EXPECT_EQ(RandomState::jump(s, k), stepTimes(s, k)) << "state " << s << " k " << k;

    std::mt19937_64 rng(11);
    for (int i = 0; i < 200; ++i) {
        const auto s = static_cast<std::int32_t>(rng());
        const std::uint64_t k = rng() % 3000;
        EXPECT_EQ(RandomState::jump(s, k), stepTimes(s, k)) << "state " << s << " k " << k;
    }
}

TEST(RandomJump, ComposesAndHasThePeriodOfTheGenerator) {
    std::mt19937_64 rng(12);
    for (int i = 0; i < 100; ++i) {
        const auto s = static_cast<std::int32_t>(rng());
        const std::uint64_t a = rng() % (1ull << 40), b = rng() % (1ull << 40);
        EXPECT_EQ(RandomState::jump(RandomState::jump(s, a), b), RandomState::jump(s, a + b));
        const std::int32_t inRange = static_cast<std::int32_t>(rng() % 2147483646u) + 1;
        EXPECT_EQ(RandomState::jump(inRange, 2147483646u), inRange);
    }
    EXPECT_EQ(RandomState::jumpFactor(0), 1u);
    EXPECT_EQ(RandomState::jumpFactor(1), 16807u);
    EXPECT_EQ(RandomState::jumpFactor(768), static_cast<std::uint32_t>(powMod(16807, 768)));
}

TEST(RandomJump, ThreadStreamDrawsOnItsOwnState) {
    RandomState::set(4242);
    std::int32_t local = 777;
    std::int32_t sharedSeenByWorker = 0;
    std::thread worker([&] {
        sharedSeenByWorker = RandomState::get();
        RandomState::ThreadStream stream(local);
        for (int i = 0; i < 10; ++i)
            RandomState::nextInt();
    });
    worker.join();
    EXPECT_EQ(sharedSeenByWorker, 4242);
    EXPECT_EQ(local, RandomState::jump(777, 10));
    EXPECT_EQ(RandomState::get(), 4242);
    {
        std::int32_t mine = 5;
        RandomState::ThreadStream stream(mine);
        RandomState::nextInt();
        EXPECT_EQ(mine, 5 * 16807);
    }
    EXPECT_EQ(RandomState::get(), 4242);
}

// The static count equals the draws a run makes: the run moves the state by
// exactly that many steps.
TEST(RandomDraws, CountMatchesTheRun) {
    struct Case {
        const char* text;
        int draws;
        bool gradient;
    } cases[] = {
        {"x*y", 0, false},
        {"?", 1, false},
        {"?*? + ?", 3, false},
        {"cond(x > 0, ?, ?)", 2, false}, // both arms always run
        {"rgb(?, x, ? * 2)", 2, false},
        {"sin(?) + noise(?, y) + mandel()", 2, false},
        {"fbm(x, y, ?, 1, 2, 3)", 1, true},
        {"gnoise3d(x, y, t)", 0, true},
        {"gturb3d(x, y, 1) * ?", 1, true},
        {"turb3d(x, y, 1)", 0, false},
        {"terp(rgb(?, ?, ?), ?)", 4, false},
    };
    FormulaContext ctx;
    double gx, gy, gz;
    gradientEntry(0, gx, gy, gz); // build the table first
    FrameVariables vars;
    vars.x = 0.25;
    vars.y = -0.5;
    for (const Case& c : cases) {
        const Code code = compileOrFail(c.text);
        EXPECT_EQ(randomDrawsPerRun(code.data()), c.draws) << c.text;
        EXPECT_EQ(usesGradientNoise(code.data()), c.gradient) << c.text;
        RandomState::set(99991);
        runFormula(ctx, code.data(), vars);
        EXPECT_EQ(RandomState::get(), RandomState::jump(99991, c.draws)) << c.text;
    }
}

TEST(RandomDraws, HandAssembledRecordsAndStrayBytes) {
    // A literal whose bytes spell a "?" record must not be counted.
    double sneaky;
    const std::uint8_t bytes[8] = {kRecordVariable,
                                   static_cast<std::uint8_t>(Slot::Random),
                                   kRecordVariable,
                                   static_cast<std::uint8_t>(Slot::Random),
                                   0x4F,
                                   33,
                                   0x4F,
                                   33};
    std::memcpy(&sneaky, bytes, sizeof sneaky);
    // Laid out by hand: literal, "?", a stray byte, "?", add, End.
    Code code{};
    int n = 0;
    code[n++] = kRecordVariable;
    code[n++] = kSlotLiteral;
    std::memcpy(&code[n], &sneaky, sizeof sneaky);
    n += sizeof sneaky;
    for (std::uint8_t b :
         {kRecordVariable, static_cast<std::uint8_t>(Slot::Random), std::uint8_t{0x77},
          kRecordVariable, static_cast<std::uint8_t>(Slot::Random), kRecordOperation,
          static_cast<std::uint8_t>(Op::Add)})
        code[n++] = b;
    code[n] = kRecordEnd;
    EXPECT_EQ(randomDrawsPerRun(code.data()), 2);
    EXPECT_FALSE(usesGradientNoise(code.data()));
    FormulaContext ctx;
    RandomState::set(31337);
    runFormula(ctx, code.data(), FrameVariables{});
    EXPECT_EQ(RandomState::get(), RandomState::jump(31337, 2));
}

} // namespace
} // namespace trevalin
