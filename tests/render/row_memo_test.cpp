#include "render/row_memo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "formula/batch_interpreter.h"
#include "formula/formula_context.h"
#include "formula/frame_variables.h"

namespace trevalin {
namespace {

struct Slots {
    std::vector<std::int32_t> counts;
    std::vector<double> values;
};

void append(const RowMemo& memo, Slots& out) {
    BatchSamples lanes;
    for (int from = 0; from < memo.size(); from += kBatchLanes) {
        const int n = memo.size() - from < kBatchLanes ? memo.size() - from : kBatchLanes;
        memo.give(from, n, lanes);
        out.counts.insert(out.counts.end(), lanes.memoCount, lanes.memoCount + n);
        out.values.insert(out.values.end(), lanes.memoValue, lanes.memoValue + n);
    }
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

struct Row {
    int first, stride, count;
};

// Rows run together give the slots, and leave the memo, that the rows run
// one at a time give: on an ordinary plane, on one of no height and width
// (every point the same, so each run's first point hits the memo the last
// left), and on one whose top is NaN.
TEST(RowMemo, RowsRunTogetherMatchRowsRunOneByOne) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Row rows[] = {{0, 16, 64}, {8, 16, 63},  {0, 1, 0},  {4, 8, 128}, {1, 2, 511},
                        {0, 1, 1},   {0, 1, 1024}, {3, 2, 70}, {0, 4, 256}};
    struct Plane {
        double left, top, xstep, ystep;
    } planes[] = {
        {-2.0, -1.5, 3.0 / 1024, 3.0 / 1024}, {0.25, 0.1, 0.0, 0.0}, {-1.6, nan, 0.003, 0.003}};
    for (const EscapeKind kind : {EscapeKind::Mandel, EscapeKind::Manc, EscapeKind::Julia,
                                  EscapeKind::Man3, EscapeKind::Dragon}) {
        for (const Plane& p : planes) {
            FrameVariables vars;
            vars.left = p.left;
            vars.xstep = p.xstep;
            vars.jx = -0.8;
            vars.jy = 0.156;
            FormulaContext start;
            start.setIterationLimit(200);
            start.memoX = p.left;
            start.memoY = p.top;
            start.memoCount = 17;
            start.memoValue = -3.5;

            FormulaContext alone = start;
            Slots want;
            RowMemo memo;
            for (int r = 0; r < static_cast<int>(std::size(rows)); ++r) {
                vars.y = p.top + r * p.ystep;
                memo.clear();
                memo.addRow(vars, rows[r].first, rows[r].stride, rows[r].count);
                memo.run(alone, vars, kind);
                append(memo, want);
            }

            FormulaContext together = start;
            Slots got;
            memo.clear();
            for (int r = 0; r < static_cast<int>(std::size(rows)); ++r) {
                vars.y = p.top + r * p.ystep;
                memo.addRow(vars, rows[r].first, rows[r].stride, rows[r].count);
            }
            memo.run(together, vars, kind);
            append(memo, got);

            const auto what = ::testing::Message() << "kind " << static_cast<int>(kind)
                                                   << ", plane at " << p.left << "," << p.top;
            std::size_t pixels = 0;
            for (const Row& row : rows)
                pixels += static_cast<std::size_t>(row.count);
            ASSERT_EQ(got.counts.size(), pixels) << what;
            EXPECT_EQ(got.counts, want.counts) << what;
            EXPECT_TRUE(sameBits(got.values, want.values)) << what;
            EXPECT_EQ(together.memoCount, alone.memoCount) << what;
            EXPECT_TRUE(sameBits({together.memoX, together.memoY, together.memoValue},
                                 {alone.memoX, alone.memoY, alone.memoValue}))
                << what;
        }
    }
}

} // namespace
} // namespace trevalin
