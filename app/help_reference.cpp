#include "app/help_reference.h"

#include <QStringList>
#include <cstring>
#include <map>
#include <vector>

#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/name_tables.h"
#include "formula/opcodes.h"

namespace trevalin {
namespace {

constexpr std::uint8_t op(Op o) {
    return static_cast<std::uint8_t>(o);
}

// Every variable in table order, the letters and constants included.
struct VariableRow {
    const char* name;
    VariableReach reach;
    const char* help;
};
constexpr VariableRow kVariableRows[] = {
#define TREVALIN_HELP_ROW(Id, slot, spelling, dependency, reach, value, help)                      \
    {spelling, VariableReach::reach, help},
    TREVALIN_VARIABLES(TREVALIN_HELP_ROW)
#undef TREVALIN_HELP_ROW
};

// Compiles text into a scratch area; false when it does not compile.
bool compileScratch(const QByteArray& text, std::uint8_t* code) {
    std::int32_t flags = 0;
    return compileFormulaText(text.constData(), static_cast<std::size_t>(text.size()), code,
                              flags) == 0;
}

QString escaped(const char* text) {
    return QString::fromUtf8(text).toHtmlEscaped();
}

} // namespace

const OperatorHelp kOperatorHelp[] = {
    {"&&  and", "x && y", op(Op::LogicalAnd), 1, nullptr},
    {"||  or", "x || y", op(Op::LogicalOr), 1, nullptr},
    {"=  ==", "x == y", op(Op::Equal), 2, nullptr},
    {"!=  <>", "x != y", op(Op::NotEqual), 2, nullptr},
    {"<", "x < y", op(Op::Less), 2, nullptr},
    {">", "x > y", op(Op::Greater), 2, nullptr},
    {"<=", "x <= y", op(Op::LessEqual), 2, nullptr},
    {">=", "x >= y", op(Op::GreaterEqual), 2, nullptr},
    {"&", "x & y", op(Op::BitAnd), 3, nullptr},
    {"|", "x | y", op(Op::BitOr), 3, nullptr},
    {"xor", "x xor y", op(Op::Xor), 3, nullptr},
    {"+", "x + y", op(Op::Add), 4, nullptr},
    {"-", "x - y", op(Op::Subtract), 4, nullptr},
    {"*", "x * y", op(Op::Multiply), 5, nullptr},
    {"/", "x / y", op(Op::Divide), 5, nullptr},
    {"%  mod", "x % y", op(Op::Mod), 5, nullptr},
    {"- (unary)", "-x", op(Op::Negate), 6, nullptr},
    {"~", "~x", op(Op::Complement), 6, nullptr},
    {"^  **", "x ^ y", op(Op::Pow), 7, "right-associative: 2^3^2 is 2^(3^2)"},
    {"r[a, b]", "r[x, y]", op(Op::Red), 8, nullptr},
    {"g[a, b]", "g[x, y]", op(Op::Green), 8, nullptr},
    {"b[a, b]", "b[x, y]", op(Op::Blue), 8, nullptr},
};
const int kOperatorHelpCount = static_cast<int>(sizeof kOperatorHelp / sizeof kOperatorHelp[0]);

bool isCallableFunctionName(const char* name) {
    std::uint8_t code[kCodeAreaSize];
    return compileScratch(QByteArray(name) + "(x)", code);
}

QString formulaReferenceHtml() {
    QString html;
    html += QStringLiteral(
        "<h2>Formula language</h2>"
        "<p>A formula is an expression of numbers, variables, operators and function calls, "
        "at most 1023 characters long. Letter case does not matter. Every formula yields a "
        "number or a colour (a triple of three numbers).</p>");

    html += QStringLiteral("<h3>Operators</h3><p>From the loosest binding to the tightest; "
                           "operators of one group bind equally and group to the left.</p>"
                           "<table border=1 cellpadding=3><tr><th>Group</th><th>Operator</th>"
                           "<th>Operands</th><th>Meaning</th></tr>");
    for (int i = 0; i < kOperatorHelpCount; ++i) {
        const OperatorHelp& o = kOperatorHelp[i];
        html += QStringLiteral("<tr><td>%1</td><td><code>%2</code></td><td>%3</td><td>%4</td></tr>")
                    .arg(o.precedence)
                    .arg(escaped(o.spelling))
                    .arg(opInfo(o.code).args)
                    .arg(escaped(opInfo(o.code).help) +
                         (o.note ? QStringLiteral("; ") + escaped(o.note) : QString()));
    }
    html += QStringLiteral("</table>");

    // names sharing a code are one function; keep the table's order.
    std::vector<std::uint8_t> codes;
    std::map<std::uint8_t, QStringList> names;
    for (const FunctionName& f : kBuiltinFunctionTable) {
        if (!isCallableFunctionName(f.name)) continue;
        if (!names.count(f.code)) codes.push_back(f.code);
        names[f.code] << QString::fromUtf8(f.name);
    }
    html += QStringLiteral("<h3>Functions</h3><table border=1 cellpadding=3><tr><th>Name</th>"
                           "<th>Arguments</th><th>Meaning</th></tr>");
    for (std::uint8_t code : codes) {
        const OpInfo& info = opInfo(code);
        const QString args = info.args == 0 ? QStringLiteral("none (reads the sample point)")
                                            : QString::number(info.args);
        html += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td><td>%3</td></tr>")
                    .arg(names[code].join(QStringLiteral(", ")).toHtmlEscaped())
                    .arg(args)
                    .arg(escaped(opInfo(code).help));
    }
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h3>Variables</h3><table border=1 cellpadding=3><tr><th>Name</th>"
                           "<th>Value</th></tr>");
    QString constants;
    for (const VariableRow& v : kVariableRows) {
        if (v.reach == VariableReach::Constant) {
            // Constants are read as numbers; show the value the compiler uses.
            std::uint8_t code[kCodeAreaSize];
            if (compileScratch(QByteArray(v.name), code) && code[0] == kRecordVariable &&
                code[1] == kSlotLiteral) {
                constants += QStringLiteral("<tr><td><code>%1</code></td><td>%2 (%3)</td></tr>")
                                 .arg(escaped(v.name))
                                 .arg(QString::number(literalValue(code), 'g', 16))
                                 .arg(escaped(v.help));
            }
            continue;
        }
        html += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td></tr>")
                    .arg(escaped(v.name))
                    .arg(escaped(v.help));
    }
    html += QStringLiteral("</table>");
    html += QStringLiteral("<h3>Constants</h3><table border=1 cellpadding=3><tr><th>Name</th>"
                           "<th>Value</th></tr>") +
            constants + QStringLiteral("</table>");
    html += QStringLiteral(
        "<h3>Notes</h3><ul><li>Numbers are written with digits and an optional decimal point; "
        "there is no exponent form.</li><li>A name the language does not know is a variable "
        "without a value.</li><li>The logical negation is the function <code>not</code>.</li>"
        "</ul>");
    return html;
}

} // namespace trevalin
