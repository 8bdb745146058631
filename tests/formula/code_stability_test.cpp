// Stored presets keep their pictures only while every formula keeps its byte
// code. This compiles a large generated set of formulas (valid and broken) plus
// the bundled presets' formulas and compares code, flags and result with digests
// recorded from an earlier build. TREVALIN_WRITE_CODE_DIGESTS=FILE rewrites them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "formula/code_walk.h"
#include "formula/compiler.h"

namespace trevalin {
namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr int kGeneratedCount = 6000;
const std::string kDigestFile = TREVALIN_SOURCE_DIR "/tests/formula/data/code_digests.txt";

// A fixed generator of its own: the standard distributions differ between
// library versions, and the formulas must not.
class FormulaGenerator {
  public:
    explicit FormulaGenerator(std::uint32_t seed) : state_(seed) {}

    std::string next() {
        std::string f;
        switch (below(10)) {
        case 0: f = soup(); break;
        case 1: f = mutate(expr(4)); break;
        case 2: f = mutate(mutate(expr(3))); break;
        default: f = expr(1 + below(5)); break;
        }
        return f.size() > 1023 ? f.substr(0, 1023) : f;
    }

  private:
    std::uint32_t below(std::uint32_t n) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 8) % n;
    }
    template <std::size_t N> const char* pick(const char* const (&words)[N]) {
        return words[below(N)];
    }

    std::string number() {
        static const char* const kNumbers[] = {
            "0",   "1",    "2",     "3",   "10",   "255", "0.5", ".5",    "1.",     "2.25",
            "1e3", "2e-1", "1.5.5", "007", "1e+3", "3x",  "2pi", "4and5", "1mod 3", "123456789012"};
        return pick(kNumbers);
    }
    std::string name() {
        static const char* const kNames[] = {
            "x",    "y",      "t",  "w",  "h",  "a",   "d",    "i",   "n",       "fw",  "fh", "jx",
            "jy",   "px",     "py", "pw", "ph", "cx",  "cy",   "sx",  "sy",      "sz",  "?",  "r",
            "g",    "b",      "c",  "s",  "l",  "pi",  "pi2",  "e",   "PI",      "X",   "R",  "foo",
            "sinn", "mandle", "xy", "_x", "e5", "pie", "andy", "Sin", "\"str\"", "\"\""};
        return pick(kNames);
    }
    std::string function() {
        static const char* const kFunctions[] = {
            "int",    "sqrt",  "log",      "log10",   "abs",    "fabs",   "sign",     "exp",
            "cos",    "sin",   "tan",      "acos",    "asin",   "atan",   "cosh",     "sinh",
            "tanh",   "sin2",  "cos2",     "sin3",    "cos3",   "mandel", "mand",     "man3",
            "manc",   "mcpm",  "julia",    "zebra",   "dragon", "fbm",    "gturb3d",  "gnoise3d",
            "fib",    "prime", "noise",    "noise3d", "turb",   "turb3d", "cond",     "angle",
            "terp",   "terpt", "ease",     "linen",   "linenr", "limit",  "mod",      "xor",
            "and",    "or",    "not",      "pow2",    "pow",    "red",    "green",    "grn",
            "blue",   "blu",   "distance", "dist",    "sample", "samp",   "samptile", "rgb",
            "triple", "hsv",   "r",        "sinn",    "foo",    "SIN"};
        return pick(kFunctions);
    }
    std::string binary() {
        static const char* const kOps[] = {"+",  "-", "*",     "/",  "^",  "**",    "%",    " mod ",
                                           "&",  "|", " xor ", "&&", "||", " and ", " or ", "=",
                                           "==", "<", ">",     "<=", ">=", "<>",    "!="};
        return pick(kOps);
    }
    std::string space() {
        static const char* const kSpaces[] = {"", "", "", " ", "  ", "\t", "\n", " \r\n"};
        return pick(kSpaces);
    }

    std::string expr(int depth) {
        if (depth <= 0) return below(2) ? number() : name();
        switch (below(9)) {
        case 0: return number();
        case 1: return name();
        case 2:
        case 3: return expr(depth - 1) + space() + binary() + space() + expr(depth - 1);
        case 4: return std::string(below(2) ? "-" : "~") + expr(depth - 1);
        case 5: return "(" + expr(depth - 1) + ")";
        case 6: {
            static const char* const kLetters[] = {"r", "g", "b", "c", "s", "l"};
            return std::string(pick(kLetters)) + "[" + expr(depth - 1) + "," + expr(depth - 1) +
                   "]";
        }
        default: {
            std::string call = function() + "(";
            const int args = static_cast<int>(below(5));
            for (int i = 0; i < args; ++i)
                call += (i ? ", " : "") + expr(depth - 1);
            return call + ")";
        }
        }
    }

    // Token soup: anything the scanner knows, and some it skips, in any order.
    std::string soup() {
        static const char* const kBits[] = {"(", ")", "[", "]",    ",", "+",  "-", "*", "/",  "~",
                                            "!", "@", "$", "#",    "{", "}",  ";", ":", "\\", "\"",
                                            ".", "_", "é", "\x01", "^", "**", "&", "|", "=",  "<"};
        std::string s;
        const int n = 1 + static_cast<int>(below(12));
        for (int i = 0; i < n; ++i) {
            switch (below(4)) {
            case 0: s += number(); break;
            case 1: s += name(); break;
            case 2: s += function(); break;
            default: s += pick(kBits); break;
            }
            s += space();
        }
        return s;
    }

    // Deletes, inserts or repeats a piece, as a slip of the keyboard would.
    std::string mutate(std::string s) {
        static const char* const kInserts[] = {"(",  ")", ",", "+", "*",   "@", "$", "{", "!",
                                               "\"", ".", "e", "x", "sin", "1", " ", "]"};
        if (s.empty()) return pick(kInserts);
        const std::size_t at = below(static_cast<std::uint32_t>(s.size()));
        switch (below(3)) {
        case 0: return s.erase(at, 1 + below(3));
        case 1: return s.insert(at, pick(kInserts));
        default: return s + s.substr(at);
        }
    }

    std::uint32_t state_;
};

// Formulas the compiler now says something about; their code must not move.
constexpr const char* kDiagnosedFormulas[] = {
    "sin(x*3 +",
    "sin(x*3",
    "sinn(x)",
    "mandle()",
    "1e3",
    "2x",
    "sin(x*3 + foo)",
    "sin(x, 99)",
    "pow(2)",
    "rgb(1,2)",
    "mandel(1)",
    "noise(1,2,3,4)",
    "SIN()",
    "\"abc\"",
    "x @+ 1",
    "x + 1.",
    "x $$+ 1",
    "{x}",
    "x y",
    "sin x",
    "r(x)",
    "!x",
    "and(x, y)",
    "x)",
    "(x",
    "1.5.5",
    "foo + foo",
    "x + 2.5E-2",
    "3 * 2pi",
    "r[1]",
    "x(2)",
    "abc",
};

std::string digestOf(const std::string& text) {
    std::uint8_t code[kCodeAreaSize];
    std::int32_t flags = 0;
    const int result = compileFormulaText(text.c_str(), 1023, code, flags);
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    auto add = [&h](std::uint8_t byte) {
        h ^= byte;
        h *= 1099511628211ull;
    };
    add(static_cast<std::uint8_t>(result));
    for (int i = 0; i < 4; ++i)
        add(static_cast<std::uint8_t>(static_cast<std::uint32_t>(flags) >> (8 * i)));
    const int n = codeLength(code);
    for (int i = 0; i < n; ++i)
        add(code[i]);
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

// The formula values of the bundled presets file ("  red sin(x)" lines).
std::vector<std::string> presetFormulas() {
    static const char* const kKeys[] = {"red",  "grn", "blu", "left",    "top", "width", "height",
                                        "zoom", "min", "max", "recurse", "p0",  "q0"};
    std::vector<std::string> out;
    std::ifstream in(TREVALIN_SOURCE_DIR "/data/presets.txt");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        const std::size_t gap = line.find(' ', start);
        if (gap == std::string::npos) continue;
        const std::string key = line.substr(start, gap - start);
        for (const char* k : kKeys)
            if (key == k) out.push_back(line.substr(gap + 1));
    }
    return out;
}

struct Recorded {
    std::vector<std::string> generated;                           // digests in order
    std::vector<std::pair<std::string, std::string>> presetLines; // digest, formula
};

Recorded readRecorded() {
    Recorded r;
    std::ifstream in(kDigestFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            r.generated.push_back(line);
        else
            r.presetLines.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return r;
}

TEST(CodeStability, GeneratedFormulasKeepTheirCode) {
    if (const char* out = std::getenv("TREVALIN_WRITE_CODE_DIGESTS")) {
        std::ofstream f(out);
        f << "# FNV-1a of (result, flags, code) per formula; see code_stability_test.cpp\n";
        f << "# generated formulas, seed " << kSeed << "\n";
        // The formulas themselves, NUL-separated, for comparing the tools' output.
        std::ofstream list(std::string(out) + ".formulas", std::ios::binary);
        FormulaGenerator gen(kSeed);
        for (int i = 0; i < kGeneratedCount; ++i) {
            const std::string formula = gen.next();
            f << digestOf(formula) << "\n";
            list << formula << '\0';
        }
        f << "# the formulas that draw warnings and errors\n";
        for (const char* formula : kDiagnosedFormulas)
            f << digestOf(formula) << "\t" << formula << "\n";
        f << "# formulas of the bundled presets when the digests were taken\n";
        for (const std::string& formula : presetFormulas())
            f << digestOf(formula) << "\t" << formula << "\n";
        GTEST_SKIP() << "digests written to " << out;
    }
    const Recorded recorded = readRecorded();
    ASSERT_EQ(recorded.generated.size(), static_cast<std::size_t>(kGeneratedCount));
    FormulaGenerator gen(kSeed);
    int failures = 0, broken = 0;
    for (int i = 0; i < kGeneratedCount; ++i) {
        const std::string formula = gen.next();
        std::uint8_t code[kCodeAreaSize];
        std::int32_t flags = 0;
        broken += compileFormulaText(formula.c_str(), 1023, code, flags);
        if (digestOf(formula) != recorded.generated[static_cast<std::size_t>(i)] &&
            ++failures <= 10)
            ADD_FAILURE() << "formula " << i << " [" << formula << "] changed its code";
    }
    EXPECT_EQ(failures, 0);
    // The set must exercise both sides.
    EXPECT_GT(broken, kGeneratedCount / 10);
    EXPECT_LT(broken, kGeneratedCount * 9 / 10);
}

TEST(CodeStability, PresetAndDiagnosedFormulasKeepTheirCode) {
    const Recorded recorded = readRecorded();
    ASSERT_GT(recorded.presetLines.size(), 100u + std::size(kDiagnosedFormulas));
    for (const auto& [digest, formula] : recorded.presetLines)
        EXPECT_EQ(digestOf(formula), digest) << formula;
}

} // namespace
} // namespace trevalin
