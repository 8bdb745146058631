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

// What each operation does, in a line; the names and argument counts come from
// the tables.
const char* operationMeaning(std::uint8_t code) {
    switch (static_cast<Op>(code)) {
    case Op::Int: return "a truncated toward zero";
    case Op::Sqrt: return "square root";
    case Op::Log: return "natural logarithm";
    case Op::Log10: return "base-10 logarithm";
    case Op::Abs: return "absolute value";
    case Op::Sign: return "-1 for a negative argument, else 1";
    case Op::Exp: return "e raised to a";
    case Op::Cos: return "cosine (radians)";
    case Op::Sin: return "sine (radians)";
    case Op::Tan: return "tangent (radians)";
    case Op::Acos: return "arc cosine";
    case Op::Asin: return "arc sine";
    case Op::Atan: return "arc tangent";
    case Op::Cosh: return "hyperbolic cosine";
    case Op::Sinh: return "hyperbolic sine";
    case Op::Tanh: return "hyperbolic tangent";
    case Op::Sin2: return "sin(a) squared";
    case Op::Cos2: return "cos(a) squared";
    case Op::Sin3: return "sin(a) cubed";
    case Op::Cos3: return "cos(a) cubed";
    case Op::Mandel: return "Mandelbrot iteration count at the point (x, y)";
    case Op::Manc: return "Mandelbrot, real-valued, at the point (x, y)";
    case Op::Man3: return "cubic Mandelbrot iteration count at (x, y)";
    case Op::Julia: return "Julia set at (x, y) with parameter (jx, jy)";
    case Op::Zebra: return "zebra fractal";
    case Op::Noise: return "value noise in two dimensions";
    case Op::Turb: return "turbulence in two dimensions";
    case Op::Noise3d: return "value noise in three dimensions";
    case Op::Turb3d: return "turbulence in three dimensions";
    case Op::Dragon: return "dragon fractal at (x, y) with parameter (jx, jy)";
    case Op::Fbm: return "fractional Brownian motion";
    case Op::Gturb3d: return "gradient turbulence in three dimensions";
    case Op::Gnoise3d: return "gradient noise in three dimensions";
    case Op::Cond: return "b when a is not 0, else c";
    case Op::Angle: return "angle of the vector (a, b)";
    case Op::Distance: return "length of the vector (a, b)";
    case Op::Fib: return "Fibonacci-type count";
    case Op::Prime: return "1 when a is prime, else 0";
    case Op::Terp: return "blend of a and b by the time t (colours blend per component)";
    case Op::Terpt: return "blend of a and b by c";
    case Op::Ease: return "s-curve of a (per component for a colour)";
    case Op::Linen: return "linear envelope";
    case Op::Linenr: return "envelope with power-law decay";
    case Op::Limit: return "a clamped to the range b .. c";
    case Op::Not: return "1 when a is 0, else 0";
    case Op::Pow: return "a raised to b";
    case Op::Pow2: return "2 raised to a";
    case Op::Mod: return "remainder of the truncated values; 0 for a zero divisor";
    case Op::Xor: return "bitwise exclusive or of the truncated values";
    case Op::BitAnd: return "bitwise and of the truncated values";
    case Op::BitOr: return "bitwise or of the truncated values";
    case Op::Red: return "red byte of the source image at (a, b)";
    case Op::Green: return "green byte of the source image at (a, b)";
    case Op::Blue: return "blue byte of the source image at (a, b)";
    case Op::Sample: return "colour of the source image at (a, b), clamped at its edges";
    case Op::SampleTile: return "colour of the source image at (a, b), tiled";
    case Op::Rgb: return "the colour (a, b, c)";
    case Op::Hsv: return "the colour of hue a, saturation b, value c (0 .. 255 each)";
    default: return "";
    }
}

const char* variableMeaning(std::uint8_t slot) {
    switch (static_cast<Slot>(slot)) {
    case Slot::T: return "time of the frame, 0 .. 1";
    case Slot::Random: return "a new pseudo-random number in (0, 1] at every use";
    case Slot::X: return "plane x of the sample";
    case Slot::Y: return "plane y of the sample";
    case Slot::W: return "width of the plane region";
    case Slot::H: return "height of the plane region";
    case Slot::A: return "angle of the sample about the region's centre";
    case Slot::D: return "distance of the sample from the region's centre";
    case Slot::I: return "the recursion setting, truncated";
    case Slot::N: return "frame number";
    case Slot::Fw: return "image width in pixels";
    case Slot::Fh: return "image height in pixels";
    case Slot::Jx: return "value of p0";
    case Slot::Jy: return "value of q0";
    case Slot::Px: return "pixel column, 0 at the left";
    case Slot::Py: return "pixel row, 0 at the top";
    case Slot::Pw: return "image width in pixels";
    case Slot::Ph: return "image height in pixels";
    case Slot::Cx: return "x of the region's centre";
    case Slot::Cy: return "y of the region's centre";
    case Slot::Sx: return "x of the pixel wrapped onto a sphere";
    case Slot::Sy: return "y of the pixel wrapped onto a sphere";
    case Slot::Sz: return "z of the pixel wrapped onto a sphere";
    case Slot::R: return "red byte of the source image under the pixel";
    case Slot::G: return "green byte of the source image under the pixel";
    case Slot::B: return "blue byte of the source image under the pixel";
    case Slot::C: return "hue of the source image under the pixel, 0 .. 255";
    case Slot::S: return "saturation of the source image under the pixel, 0 .. 255";
    case Slot::L: return "largest byte of the source image under the pixel";
    default: return "";
    }
}

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
    {"&&  and", "x && y", op(Op::LogicalAnd), 1, "1 when both are not 0, else 0"},
    {"||  or", "x || y", op(Op::LogicalOr), 1, "1 when either is not 0, else 0"},
    {"=  ==", "x == y", op(Op::Equal), 2, "1 when equal, else 0"},
    {"!=  <>", "x != y", op(Op::NotEqual), 2, "1 when not equal, else 0"},
    {"<", "x < y", op(Op::Less), 2, "1 when less, else 0"},
    {">", "x > y", op(Op::Greater), 2, "1 when greater, else 0"},
    {"<=", "x <= y", op(Op::LessEqual), 2, "1 when less or equal, else 0"},
    {">=", "x >= y", op(Op::GreaterEqual), 2, "1 when greater or equal, else 0"},
    {"&", "x & y", op(Op::BitAnd), 3, "bitwise and of the truncated values"},
    {"|", "x | y", op(Op::BitOr), 3, "bitwise or of the truncated values"},
    {"xor", "x xor y", op(Op::Xor), 3, "bitwise exclusive or of the truncated values"},
    {"+", "x + y", op(Op::Add), 4, "sum"},
    {"-", "x - y", op(Op::Subtract), 4, "difference"},
    {"*", "x * y", op(Op::Multiply), 5, "product"},
    {"/", "x / y", op(Op::Divide), 5, "quotient; positive infinity for a zero divisor"},
    {"%  mod", "x % y", op(Op::Mod), 5,
     "remainder of the truncated values, sign of the dividend; 0 for a zero divisor"},
    {"- (unary)", "-x", op(Op::Negate), 6, "negation"},
    {"~", "~x", op(Op::Complement), 6, "bitwise complement of the truncated value"},
    {"^  **", "x ^ y", op(Op::Pow), 7, "power, right-associative: 2^3^2 is 2^(3^2)"},
    {"r[a, b]", "r[x, y]", op(Op::Red), 8, "red byte of the source image at (a, b)"},
    {"g[a, b]", "g[x, y]", op(Op::Green), 8, "green byte of the source image at (a, b)"},
    {"b[a, b]", "b[x, y]", op(Op::Blue), 8, "blue byte of the source image at (a, b)"},
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
                    .arg(escaped(o.meaning));
    }
    html += QStringLiteral("</table>");

    // Names sharing a code are one function; keep the table's order.
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
                    .arg(escaped(operationMeaning(code)));
    }
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h3>Variables</h3><table border=1 cellpadding=3><tr><th>Name</th>"
                           "<th>Value</th></tr>");
    QString constants;
    for (const VariableName& v : kVariableTable) {
        if (v.kind == 0) {
            // Constants are read as numbers; show the value the compiler uses.
            std::uint8_t code[kCodeAreaSize];
            if (compileScratch(QByteArray(v.name), code) && code[0] == kRecordVariable &&
                code[1] == kSlotLiteral) {
                constants += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td></tr>")
                                 .arg(escaped(v.name))
                                 .arg(QString::number(literalValue(code), 'g', 16));
            }
            continue;
        }
        html += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td></tr>")
                    .arg(escaped(v.name))
                    .arg(escaped(variableMeaning(v.slot)));
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
