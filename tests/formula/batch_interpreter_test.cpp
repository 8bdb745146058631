// The batched interpreter against the one-sample interpreter, lane by lane:
// random byte code and random formula text over inputs that include NaN,
// infinities and -0. The same bits in every component, the same shape and the
// same random state after each lane, for every lane count.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "eval_support.h"
#include "formula/batch_interpreter.h"
#include "formula/escape_results.h"
#include "formula/memo_chain.h"
#include "formula/noise.h"
#include "formula/random_state.h"
#include "image/dib_image.h"

namespace trevalin {
namespace {

using evaltest::Code;
using evaltest::CodeBuilder;
using evaltest::compileOrFail;
using evaltest::kInf;
using evaltest::kNaN;

using evaltest::sameResult;

const double kSpecial[] = {0.0,    -0.0, 1.0,  -1.0,  0.5,      -2.5, 3.75,  255.0,
                           1e-300, 1e17, -1e9, kInf,  -kInf,    kNaN, -kNaN, 2147483648.0,
                           100.0,  7.0,  0.25, 1e-11, 4.9e-324, -3.0, 65.0,  2.0};

// The frame one sample of the one-sample interpreter sees for lane i.
FrameVariables laneFrame(const FrameVariables& frame, const BatchSamples& s, int i) {
    FrameVariables v = frame;
    v.px = s.px[i];
    v.py = s.py[i];
    v.x = s.x[i];
    v.y = s.y[i];
    return v;
}

class BatchInterpreter : public testing::Test {
  protected:
    void SetUp() override {
        double gx, gy, gz;
        gradientEntry(0, gx, gy, gz); // gradient noise is batchable once the table exists
        ASSERT_TRUE(source_.create(7, 5));
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 7; ++c)
                source_.row(r)[c] = static_cast<std::uint32_t>(c * 37 << 16 | r * 51 << 8 | 9 * c);
    }

    double special() { return kSpecial[rng_() % std::size(kSpecial)]; }
    double anyReal() {
        switch (rng_() % 3) {
        case 0: return special();
        case 1: return std::uniform_real_distribution<double>(-3.0, 3.0)(rng_);
        default: return std::uniform_real_distribution<double>(-300.0, 300.0)(rng_);
        }
    }

    FrameVariables randomFrame() {
        FrameVariables f;
        f.pw = f.fw = static_cast<std::int32_t>(rng_() % 4 == 0 ? 0 : 1 + rng_() % 300);
        f.ph = f.fh = static_cast<std::int32_t>(1 + rng_() % 300);
        f.i = static_cast<std::int32_t>(rng_() % 300);
        f.n = f.frame = static_cast<std::int32_t>(rng_() % 5);
        f.frames = 3;
        f.t = anyReal();
        f.w = anyReal();
        f.h = anyReal();
        f.cx = anyReal();
        f.cy = anyReal();
        f.jx = anyReal();
        f.jy = anyReal();
        f.source = rng_() % 3 == 0 ? nullptr : source_.sourceView();
        return f;
    }

    void randomSamples(BatchSamples& s, int count, const FrameVariables& f) {
        s.count = count;
        for (int i = 0; i < count; ++i) {
            s.px[i] = static_cast<std::int32_t>(rng_() % 400) - 50;
            s.py[i] = static_cast<std::int32_t>(rng_() % 400) - 50;
            s.x[i] = rng_() % 2 ? anyReal() : s.px[i] * 0.01 + f.cx;
            s.y[i] = rng_() % 2 ? anyReal() : s.py[i] * 0.01 + f.cy;
            s.random[i] = static_cast<std::int32_t>(1 + rng_() % 2147483646u);
        }
    }

    // Runs code both ways and compares; returns how many lanes were compared.
    int expectSame(const Code& code, const std::string& what) {
        const FrameVariables frame = randomFrame();
        const int count = 1 + static_cast<int>(rng_() % kBatchLanes);
        BatchSamples samples;
        randomSamples(samples, count, frame);
        const BatchSamples before = samples;
        BatchValues out;
        runFormulaBatch(ctx_, code.data(), frame, samples, out);
        for (int i = 0; i < count; ++i) {
            const FrameVariables v = laneFrame(frame, before, i);
            RandomState::set(before.random[i]);
            const FormulaValue want = runFormula(ctx_, code.data(), v);
            const std::string where =
                what + ", lane " + std::to_string(i) + " of " + std::to_string(count);
            EXPECT_EQ(out.isTriple, want.isTriple != 0) << where;
            EXPECT_TRUE(sameResult(out.first[i], want.first))
                << where << ": " << out.first[i] << " vs " << want.first;
            if (out.isTriple) {
                EXPECT_TRUE(sameResult(out.second[i], want.second))
                    << where << ": " << out.second[i] << " vs " << want.second;
                EXPECT_TRUE(sameResult(out.third[i], want.third))
                    << where << ": " << out.third[i] << " vs " << want.third;
            }
            EXPECT_EQ(samples.random[i], RandomState::get()) << where;
            // x and y are pushed without a copy: no result may land in them.
            EXPECT_TRUE(evaltest::sameBits(samples.x[i], before.x[i])) << where;
            EXPECT_TRUE(evaltest::sameBits(samples.y[i], before.y[i])) << where;
            if (testing::Test::HasFailure()) return i;
        }
        return count;
    }

    std::mt19937 rng_{20261208};
    FormulaContext ctx_;
    DibImage source_;
};

bool isIteration(std::uint8_t op) {
    switch (static_cast<Op>(op)) {
    case Op::Mandel:
    case Op::Manc:
    case Op::Man3:
    case Op::Julia:
    case Op::Dragon: return true;
    default: return false;
    }
}

// Byte code the compiler never emits as well: stray bytes, unknown slots,
// inert and unused operation codes, operands missing or left over. At most
// ten records, each pushing at most three slots, stay within the stack.
TEST_F(BatchInterpreter, RandomByteCodeMatchesOneSampleRuns) {
    int lanes = 0;
    for (int round = 0; round < 3000; ++round) {
        CodeBuilder b;
        std::string text;
        const int records = 1 + static_cast<int>(rng_() % 10);
        for (int r = 0; r < records; ++r) {
            switch (rng_() % 8) {
            case 0:
            case 1: {
                const double v = special();
                b.literal(v);
                text += " lit";
                break;
            }
            case 2:
            case 3: {
                const auto slot = static_cast<std::uint8_t>(rng_() % 40);
                b.variable(slot);
                text += " v" + std::to_string(slot);
                break;
            }
            case 7: {
                const auto stray = static_cast<std::uint8_t>(1 + rng_() % 255);
                if (stray == kRecordVariable || stray == kRecordOperation) break;
                b.raw(stray);
                text += " raw" + std::to_string(stray);
                break;
            }
            default: {
                std::uint8_t op;
                do
                    op = static_cast<std::uint8_t>(rng_() % 82);
                while (isIteration(op));
                b.op(op);
                text += " op" + std::to_string(op);
                break;
            }
            }
        }
        const Code code = b.build();
        ASSERT_TRUE(batchable(code.data())) << text;
        lanes += expectSame(code, "code" + text);
        if (HasFailure()) return;
    }
    EXPECT_GT(lanes, 3000 * 8); // the comparisons did run
}

// Formula text from every non-iterating built-in, the operators and the
// variables, nested at random.
TEST_F(BatchInterpreter, RandomFormulasMatchOneSampleRuns) {
    const std::vector<std::pair<std::string, int>> functions = {
        {"sin", 1},     {"cos", 1},   {"tan", 1},     {"sqrt", 1},   {"log", 1},
        {"log10", 1},   {"exp", 1},   {"abs", 1},     {"sign", 1},   {"int", 1},
        {"asin", 1},    {"acos", 1},  {"atan", 1},    {"sinh", 1},   {"cosh", 1},
        {"tanh", 1},    {"sin2", 1},  {"cos3", 1},    {"fib", 1},    {"prime", 1},
        {"noise", 2},   {"turb", 2},  {"noise3d", 3}, {"turb3d", 3}, {"gnoise3d", 3},
        {"gturb3d", 3}, {"fbm", 6},   {"cond", 3},    {"angle", 2},  {"distance", 2},
        {"hypot", 2},   {"zebra", 4}, {"linen", 4},   {"linenr", 4}, {"limit", 3},
        {"rgb", 3},     {"hsv", 3},   {"terp", 2},    {"terpt", 3},  {"ease", 1},
        {"red", 2},     {"green", 2}, {"blue", 2},    {"sample", 2}, {"samptile", 2},
    };
    const std::vector<std::string> leaves = {
        "x",  "y",   "px", "py",  "?",   "d",   "a",  "sx",    "sy",  "sz",  "t",
        "jx", "jy",  "w",  "h",   "i",   "n",   "fw", "fh",    "pw",  "ph",  "cx",
        "cy", "r",   "g",  "b",   "c",   "s",   "l",  "pi",    "e",   "pi2", "0",
        "1",  "0.5", "3",  "255", "0/0", "1/0", "-0", "1e308", "2.5", "8",   "0.001"};
    const std::vector<std::string> operators = {"+", "-", "*",  "/",  "%",  "^",  "&",  "|", "~",
                                                "<", ">", "<=", ">=", "==", "!=", "&&", "||"};
    std::function<std::string(int)> expr = [&](int depth) -> std::string {
        const unsigned kind = depth <= 0 ? 0 : rng_() % 4;
        if (kind == 0) return leaves[rng_() % leaves.size()];
        if (kind == 1)
            return "(" + expr(depth - 1) + " " + operators[rng_() % operators.size()] + " " +
                   expr(depth - 1) + ")";
        if (kind == 2) {
            if (rng_() % 3 == 0) // r[..] and the inert c[..], s[..], l[..]
                return std::string(1, "rgbcsl"[rng_() % 6]) + "[" + expr(depth - 2) + ", " +
                       expr(depth - 2) + "]";
            return (rng_() % 2 ? "-" : "~") + expr(depth - 1);
        }
        const auto& [name, arity] = functions[rng_() % functions.size()];
        std::string call = name + "(";
        for (int a = 0; a < arity; ++a)
            call += (a ? ", " : "") + expr(depth - 2);
        return call + ")";
    };
    int lanes = 0, formulas = 0;
    for (int round = 0; round < 2000; ++round) {
        const std::string text = expr(4);
        Code code{};
        std::int32_t flags = 0;
        if (compileFormulaText(text.c_str(), text.size(), code.data(), flags) != 0) continue;
        ++formulas;
        ASSERT_TRUE(batchable(code.data())) << text;
        lanes += expectSame(code, text);
        if (HasFailure()) return;
    }
    EXPECT_GT(formulas, 1500);
    EXPECT_GT(lanes, 1500 * 8);
}

// Iteration functions in batches: the memo worked out ahead by runMemoChain,
// then the formulas batched, against the same samples run one after another
// on one context. Sets of up to three formulas that alias the memo's slots
// (a count read as manc's value and the other way round), over points that
// repeat, are NaN or -0, and a memo that starts anywhere; every value and the
// memo left behind must have the same bits.
TEST_F(BatchInterpreter, IterationFunctionsMatchOneSampleRuns) {
    const char* formulas[] = {"mandel()",
                              "manc()",
                              "julia()*4",
                              "man3() + x",
                              "dragon() - 1",
                              "mandel() + manc()",
                              "manc() * julia()",
                              "rgb(man3(), y, mandel())",
                              "julia() + dragon()",
                              "?*0 + mandel()",
                              "x*y"};
    const double points[] = {0.0, -0.0, 0.25, -0.75, 0.3, -1.5, 2.5, kNaN, 1e-300, -2.0};
    int compared = 0;
    for (int round = 0; round < 400; ++round) {
        const int count = 1 + static_cast<int>(rng_() % 3);
        std::vector<Code> codes;
        for (int f = 0; f < count; ++f)
            codes.push_back(compileOrFail(formulas[rng_() % std::size(formulas)]));
        const std::uint8_t* raw[3];
        for (int f = 0; f < count; ++f)
            raw[f] = codes[static_cast<std::size_t>(f)].data();
        const EscapeKind kind = firstEscapeKind(raw, count);

        FrameVariables frame = randomFrame();
        frame.jx = rng_() % 2 ? -0.8 : points[rng_() % std::size(points)];
        frame.jy = rng_() % 2 ? 0.156 : points[rng_() % std::size(points)];
        ctx_.setIterationLimit(static_cast<std::int32_t>(64 + rng_() % 200));
        ctx_.fractalStart = rng_() % 4 == 0 ? 0.1 : 0.0;
        ctx_.memoX = points[rng_() % std::size(points)];
        ctx_.memoY = points[rng_() % std::size(points)];
        ctx_.memoCount = static_cast<std::int32_t>(rng_() % 50);
        ctx_.memoValue = anyReal();
        const FormulaContext start = ctx_;

        const int n = 1 + static_cast<int>(rng_() % kBatchLanes);
        BatchSamples samples;
        randomSamples(samples, n, frame);
        for (int i = 0; i < n; ++i) {
            // Runs of one point, and points near the sets' edges.
            if (i > 0 && rng_() % 3 == 0) {
                samples.x[i] = samples.x[i - 1];
                samples.y[i] = samples.y[i - 1];
            } else if (rng_() % 2) {
                samples.x[i] = points[rng_() % std::size(points)];
                samples.y[i] = points[rng_() % std::size(points)];
            }
        }
        const BatchSamples before = samples;

        std::vector<BatchValues> batched(static_cast<std::size_t>(count));
        if (kind != EscapeKind::None)
            runMemoChain(ctx_, kind, frame.jx, frame.jy, samples.x, samples.y, n, samples.memoCount,
                         samples.memoValue);
        const BatchSamples chained = samples;
        for (int f = 0; f < count; ++f) {
            // Each formula starts where the one-sample runs are at that lane:
            // the formulas before it have stepped the random state.
            runFormulaBatch(ctx_, raw[f], frame, samples, batched[static_cast<std::size_t>(f)]);
        }
        // manc's values are pushed without a copy: no result may land in them.
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(evaltest::sameBits(samples.memoValue[i], chained.memoValue[i]))
                << "round " << round << ", lane " << i;
        const FormulaContext afterBatch = ctx_;

        ctx_ = start;
        for (int i = 0; i < n; ++i) {
            const FrameVariables v = laneFrame(frame, before, i);
            RandomState::set(before.random[i]);
            for (int f = 0; f < count; ++f) {
                const FormulaValue want = runFormula(ctx_, raw[f], v);
                const BatchValues& got = batched[static_cast<std::size_t>(f)];
                const std::string where = "round " + std::to_string(round) + ", formula " +
                                          std::to_string(f) + ", lane " + std::to_string(i);
                EXPECT_TRUE(sameResult(got.first[i], want.first))
                    << where << ": " << got.first[i] << " vs " << want.first;
                if (want.isTriple) {
                    EXPECT_TRUE(sameResult(got.second[i], want.second) &&
                                sameResult(got.third[i], want.third))
                        << where;
                }
            }
            EXPECT_EQ(samples.random[i], RandomState::get()) << "lane " << i;
            ++compared;
        }
        EXPECT_EQ(afterBatch.memoCount, ctx_.memoCount) << "round " << round;
        EXPECT_TRUE(evaltest::sameBits(afterBatch.memoValue, ctx_.memoValue)) << "round " << round;
        EXPECT_TRUE(evaltest::sameBits(afterBatch.memoX, ctx_.memoX)) << "round " << round;
        EXPECT_TRUE(evaltest::sameBits(afterBatch.memoY, ctx_.memoY)) << "round " << round;
        if (testing::Test::HasFailure()) return;
    }
    EXPECT_GT(compared, 400 * 8);
}

// fbm's lanes: weights worked out once when the parameters agree, one call per
// lane otherwise; both must give fbm's bits.
TEST_F(BatchInterpreter, FbmLanesMatchFbm) {
    const struct {
        double H, lacunarity, octaves;
    } params[] = {
        {0.5, 2, 6},  {1, 2, 3},       {0, 1, 70},   {-1, 2, 5},   {1, 0.5, 8},   {2, 2, 2.5},
        {1, 2, 0.5},  {1, 2, -1},      {1, 2, kNaN}, {kNaN, 2, 4}, {1, kNaN, 4},  {1, 2, kInf},
        {0.3, 3, 40}, {1, -0.0, 3},    {1, 0.0, 3},  {-0.0, 2, 4}, {1, 1e300, 4}, {1, kInf, 4},
        {1, -2, 5},   {1e-9, 2, 64.5}, {1, 2, 1},
    };
    for (const auto& p : params) {
        // Parameters alike or not, and the points of one row (y and z alike)
        // or anywhere.
        // Lattice points too, where every octave's noise is +0 or -0.
        for (int variant = 0; variant < 5; ++variant) {
            const bool alike = variant % 2 == 0, row = variant == 2 || variant == 3;
            const double lattice[] = {0.0, -0.0, 1.0, -1.0, 2.0, -3.0};
            auto coordinate = [&] {
                return variant == 4 ? lattice[rng_() % std::size(lattice)] : anyReal();
            };
            const int n = 1 + static_cast<int>(rng_() % kBatchLanes);
            double x[kBatchLanes], y[kBatchLanes], z[kBatchLanes], H[kBatchLanes], lac[kBatchLanes],
                oct[kBatchLanes], out[kBatchLanes];
            for (int i = 0; i < n; ++i) {
                x[i] = coordinate();
                y[i] = row && i > 0 ? y[0] : coordinate();
                z[i] = row && i > 0 ? z[0] : coordinate();
                if (variant == 4 && i == 0) { // the noise here is -0, one octave on +0
                    x[i] = 0.0;
                    y[i] = 1.0;
                    z[i] = 2.0;
                }
                H[i] = p.H;
                lac[i] = p.lacunarity;
                oct[i] = alike || i % 2 == 0 ? p.octaves : p.octaves + 1;
            }
            fbmLanes(x, y, z, H, lac, oct, out, n);
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(sameResult(out[i], fbm(x[i], y[i], z[i], H[i], lac[i], oct[i])))
                    << "H " << p.H << " lacunarity " << p.lacunarity << " octaves " << oct[i]
                    << " at " << x[i] << ", " << y[i] << ", " << z[i];
        }
    }
}

// turb's lanes against turbulence2, for the points of a row (y alike) and
// anywhere, including the far ends of the lattice.
TEST_F(BatchInterpreter, TurbulenceLanesMatchTurbulence) {
    for (int round = 0; round < 200; ++round) {
        const bool row = round % 2 == 0;
        const int n = 1 + static_cast<int>(rng_() % kBatchLanes);
        double x[kBatchLanes], y[kBatchLanes], out[kBatchLanes];
        for (int i = 0; i < n; ++i) {
            x[i] = anyReal();
            y[i] = row && i > 0 ? y[0] : anyReal();
        }
        turbulence2Lanes(ctx_, x, y, out, n);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(sameResult(out[i], turbulence2(ctx_, x[i], y[i])))
                << "at " << x[i] << ", " << y[i] << (row ? " (a row)" : "");
    }
}

} // namespace
} // namespace trevalin
