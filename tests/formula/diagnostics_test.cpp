// What the compiler tells the user: each error with its place and reason, each
// likely mistake as a warning, and the same byte code as without them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/diagnostics.h"
#include "formula/name_suggestions.h"

namespace trevalin {
namespace {

std::string kindName(DiagnosticKind kind) {
    return headingOf(kind) + std::string(severityOf(kind) == Severity::Error ? " (error)" : "");
}

TEST(FormulaDiagnostics, ErrorsNameTheirPlaceAndReason) {
    struct Case {
        const char* text;
        DiagnosticKind kind;
        int column;
        const char* detail;
    };
    const DiagnosticKind parse = DiagnosticKind::ParseError;
    const Case cases[] = {
        {"sin(x*3 +", parse, 10, "unexpected end of formula, expected a value"},
        {"sin(x*3", parse, 8, "unexpected end of formula, expected ',' or ')'"},
        {"(x", parse, 3, "unexpected end of formula, expected an operator or ')'"},
        {"x +* y", parse, 4, "unexpected '*', expected a value"},
        {"r[1]", parse, 4, "unexpected ']', expected an operator or ','"},
        {"x)", parse, 2, "unexpected ')' with nothing open to close"},
        {"(x]", parse, 3, "unexpected ']', expected an operator or ')'"},
        {"sinn(x)", parse, 1, "'sinn' is not a function; did you mean 'sin'?"},
        {"mandle()", parse, 1, "'mandle' is not a function; did you mean 'mandel'?"},
        {"foo(1)", parse, 1, "'foo' is not a function"},
        {"x(2)", parse, 1, "'x' is a variable, not a function"},
        {"1e3", parse, 1, "numbers have no exponent: write 1000 or 10^3"},
        {"x + 2.5E-2", parse, 5, "numbers have no exponent: write 0.025 or 2.5*10^-2"},
        {"1e+300", parse, 1, "numbers have no exponent: write 10^300"},
        {"2x", parse, 1, "a number and a name side by side: write 2*x"},
        {"3 * 2pi", parse, 5, "a number and a name side by side: write 2*pi"},
        {"x y", parse, 3,
         "unexpected name 'y': two values side by side need an operator between them"},
        {"1.5.5", parse, 4,
         "unexpected number '.5': two values side by side need an operator between them"},
        {"sin x", parse, 1, "'sin' is a function: write sin(...)"},
        {"mandel", parse, 1, "'mandel' is a function: write mandel(...)"},
        {"r(x)", parse, 1, "'r' takes square brackets: r[x, y]"},
        {"!x", parse, 1, "there is no '!' operator: write not(...)"},
        {"and(x, y)", parse, 1, "'and' is an operator, not a function: write a and b"},
        {"x + mod(3, 2)", parse, 5, "'mod' is an operator, not a function: write a mod b"},
        {"*x", parse, 1, "unexpected '*', expected a value or end of formula"},
        {"x +\n  * 2", parse, 3, "unexpected '*', expected a value"},
        {"\xc3\xa9\xc3\xa9 - )", parse, 6, "unexpected ')', expected a value"},
        {"x +   ", parse, 7, "unexpected end of formula, expected a value"},
    };
    for (const Case& c : cases) {
        const FormulaCheck check = checkFormula(c.text);
        ASSERT_TRUE(check.failed) << c.text;
        const FormulaDiagnostic* error = firstError(check.diagnostics);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_EQ(kindName(error->kind), kindName(c.kind)) << c.text;
        EXPECT_EQ(error->detail, c.detail) << c.text;
        const FormulaPlace place = placeOf(c.text, error->offset);
        EXPECT_EQ(place.column, c.column) << c.text;
        // The old short message stays the core of the text.
        EXPECT_EQ(diagnosticText(*error).rfind(lastCompileError(), 0), 0u) << c.text;
    }
}

TEST(FormulaDiagnostics, LimitsKeepTheirMessages) {
    // Only a text longer than a slot holds can nest this deep.
    const std::string deep = std::string(12000, '(') + "1" + std::string(12000, ')');
    std::uint8_t code[kCodeAreaSize];
    std::int32_t flags = 0;
    ASSERT_EQ(compileFormulaText(deep.c_str(), deep.size(), code, flags), 1);
    ASSERT_NE(firstError(lastCompileDiagnostics()), nullptr);
    EXPECT_EQ(diagnosticText(*firstError(lastCompileDiagnostics())),
              "parser stack overflow: nested too deeply");
    EXPECT_EQ(placeOf(deep, firstError(lastCompileDiagnostics())->offset).column, 9999);

    FormulaCheck check;
    std::string many = "sin(x";
    for (int i = 0; i < 32; ++i)
        many += ", x";
    check = checkFormula(many + ")");
    ASSERT_TRUE(check.failed);
    EXPECT_EQ(firstError(check.diagnostics)->kind, DiagnosticKind::TooComplex);

    // Literals that cannot fold: 10 bytes of code for every 2 characters.
    std::string numbers = "rgb(";
    for (int i = 0; i < 500; ++i)
        numbers += "1,";
    check = checkFormula(numbers + "1)");
    ASSERT_TRUE(check.failed);
    EXPECT_EQ(firstError(check.diagnostics)->kind, DiagnosticKind::TooLong);
    EXPECT_GT(firstError(check.diagnostics)->offset, 0); // the phrase that did not fit
}

TEST(FormulaDiagnostics, WarningsLeaveTheCodeAlone) {
    struct Case {
        const char* text;
        DiagnosticKind kind;
        int column;
        const char* detail;
    };
    const Case cases[] = {
        {"sin(x*3 + foo)", DiagnosticKind::UnknownName, 11, "unknown name 'foo' has no value"},
        {"sinn + 1", DiagnosticKind::UnknownName, 1,
         "unknown name 'sinn' has no value; did you mean 'sin'?"},
        {"noize + 1", DiagnosticKind::UnknownName, 1,
         "unknown name 'noize' has no value; did you mean 'noise'?"},
        {"\"abc\"", DiagnosticKind::StringValue, 1,
         "string literal \"abc\" has no value: it is ignored"},
        {"x @+ 1", DiagnosticKind::SkippedCharacter, 3, "'@' is skipped"},
        {"x + 1.", DiagnosticKind::SkippedCharacter, 6,
         "'.' is skipped: a number needs a digit after its point"},
        {"x $$+ 1", DiagnosticKind::SkippedCharacter, 3, "'$$' is skipped: names need no sign"},
        {"x + 1 \xc3\xa9", DiagnosticKind::SkippedCharacter, 7,
         "'\xc3\xa9' is skipped: formulas are written in ASCII"},
        {"x\x01", DiagnosticKind::SkippedCharacter, 2, "'\\x01' is skipped"},
        {"{x}", DiagnosticKind::SkippedCharacter, 1, "'{' is skipped: group with ( and )"},
        {"sin(x, 99)", DiagnosticKind::ArgumentCount, 1,
         "sin takes 1 value, got 2: the first is dropped"},
        {"2 * pow(2)", DiagnosticKind::ArgumentCount, 5,
         "pow takes 2 values, got 1: the missing values come from around the call"},
        {"rgb(1,2)", DiagnosticKind::ArgumentCount, 1,
         "rgb takes 3 values, got 2: the missing values come from around the call"},
        {"SIN()", DiagnosticKind::ArgumentCount, 1,
         "sin takes 1 value, got 0: the missing values come from around the call"},
        {"noise(1,2,3,4)", DiagnosticKind::ArgumentCount, 1,
         "noise takes 2 values, got 4: the first 2 are dropped"},
        {"mandel(1)", DiagnosticKind::ArgumentCount, 1,
         "mandel takes no values (it reads the sample point), got 1: it is ignored"},
    };
    for (const Case& c : cases) {
        const FormulaCheck check = checkFormula(c.text);
        EXPECT_FALSE(check.failed) << c.text;
        ASSERT_FALSE(check.diagnostics.empty()) << c.text;
        const FormulaDiagnostic& d = check.diagnostics.front();
        EXPECT_EQ(kindName(d.kind), kindName(c.kind)) << c.text;
        EXPECT_EQ(severityOf(d.kind), Severity::Warning) << c.text;
        EXPECT_EQ(d.detail, c.detail) << c.text;
        EXPECT_EQ(placeOf(c.text, d.offset).column, c.column) << c.text;
    }
}

TEST(FormulaDiagnostics, CleanFormulasSayNothing) {
    for (const char* text : {"", "x + y", "sin(x*3)", "mandel()", "r[x, y] + g", "pi * e", "2and 3",
                             "1mod 2", "rgb(1, 2, 3)", "? * 255", "SIN(X)"}) {
        const FormulaCheck check = checkFormula(text);
        EXPECT_FALSE(check.failed) << text;
        EXPECT_TRUE(check.diagnostics.empty())
            << text << ": " << diagnosticText(check.diagnostics.front());
    }
}

TEST(FormulaDiagnostics, AnUnknownNameIsNamedOnce) {
    const FormulaCheck check = checkFormula("foo + foo * bar");
    ASSERT_EQ(check.diagnostics.size(), 2u);
    EXPECT_EQ(check.diagnostics[0].detail, "unknown name 'foo' has no value");
    EXPECT_EQ(check.diagnostics[1].detail, "unknown name 'bar' has no value");
}

TEST(FormulaDiagnostics, SuggestionsAreTheNearestNames) {
    struct Case {
        const char* word;
        bool functionsOnly;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"sinn", true, {"sin"}},    {"mandle", true, {"mandel"}},
        {"NOIZE", true, {"noise"}}, {"sqr", true, {"sqrt"}},
        {"jxx", false, {"jx"}},     {"sampel", true, {"sample"}},
        {"zz", false, {}},          {"foo", false, {}},
        {"sin", true, {}}, // an exact name needs no suggestion
        {"pie", false, {"pi"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nearestNames(c.word, c.functionsOnly), c.names) << c.word;
}

TEST(FormulaDiagnostics, CompilerStylePutsACaretUnderThePlace) {
    const std::string text = "sin(x*3 +";
    FormulaCheck check = checkFormula(text);
    ASSERT_NE(firstError(check.diagnostics), nullptr);
    EXPECT_EQ(compilerStyle("red", text, *firstError(check.diagnostics)),
              "red:1:10: parse error: unexpected end of formula, expected a value\n"
              "    sin(x*3 +\n"
              "             ^\n");
    EXPECT_EQ(labelledText("layer 1", text, *firstError(check.diagnostics)),
              "layer 1: parse error at column 10: unexpected end of formula, expected a value");

    const std::string lines = "x +\n\tfoo * 2";
    check = checkFormula(lines);
    ASSERT_EQ(check.diagnostics.size(), 1u);
    EXPECT_EQ(compilerStyle("formula", lines, check.diagnostics[0]),
              "formula:2:2: warning: unknown name 'foo' has no value\n"
              "    \tfoo * 2\n"
              "    \t^~~\n");
    EXPECT_EQ(labelledText("red", lines, check.diagnostics[0]),
              "red: warning at line 2, column 2: unknown name 'foo' has no value");
}

TEST(FormulaDiagnostics, PlacesCountCharactersAndLines) {
    struct Case {
        const char* text;
        int offset, line, column;
    };
    const Case cases[] = {
        {"abc", 0, 1, 1},       {"abc", 3, 1, 4}, {"a\nbc", 2, 2, 1},     {"a\nbc", 3, 2, 2},
        {"\xc3\xa9x", 2, 1, 2}, {"x", 99, 1, 2},  {"\r\n\r\nx", 4, 3, 1},
    };
    for (const Case& c : cases) {
        const FormulaPlace p = placeOf(c.text, c.offset);
        EXPECT_EQ(p.line, c.line) << c.text << " @" << c.offset;
        EXPECT_EQ(p.column, c.column) << c.text << " @" << c.offset;
    }
}

} // namespace
} // namespace trevalin
