// trevalin-formula: compiles one formula, prints its code, and runs it once.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formula/arith.h"
#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/disassembler.h"
#include "formula/formula_context.h"
#include "formula/interpreter.h"
#include "image/dib_image.h"

namespace {

using namespace trevalin;

constexpr const char* kUsage =
    "usage: trevalin-formula [--code [--disasm]] [--var NAME=VALUE]... [--recursion N]\n"
    "                        [--source FILE.bmp] [--] FORMULA\n"
    "Compiles FORMULA, prints its byte code (--code; as records with --disasm), runs it\n"
    "once and prints the value.\n"
    "Errors and warnings go to stderr with their place; a formula that does not compile\n"
    "exits with 1.\n";

int usage(const char* problem = nullptr) {
    if (problem) std::fprintf(stderr, "trevalin-formula: %s\n", problem);
    std::fputs(kUsage, stderr);
    return 2;
}

// The frame variables a user may set, by the names formulas know them by.
struct VariableField {
    const char* name;
    double FrameVariables::*real;
    std::int32_t FrameVariables::*integer;
};

constexpr VariableField kVariableFields[] = {
    {"t", &FrameVariables::t, nullptr},     {"x", &FrameVariables::x, nullptr},
    {"y", &FrameVariables::y, nullptr},     {"w", &FrameVariables::w, nullptr},
    {"h", &FrameVariables::h, nullptr},     {"i", nullptr, &FrameVariables::i},
    {"n", nullptr, &FrameVariables::n},     {"fw", nullptr, &FrameVariables::fw},
    {"fh", nullptr, &FrameVariables::fh},   {"jx", &FrameVariables::jx, nullptr},
    {"jy", &FrameVariables::jy, nullptr},   {"px", nullptr, &FrameVariables::px},
    {"py", nullptr, &FrameVariables::py},   {"pw", nullptr, &FrameVariables::pw},
    {"ph", nullptr, &FrameVariables::ph},   {"cx", &FrameVariables::cx, nullptr},
    {"cy", &FrameVariables::cy, nullptr},   {"left", &FrameVariables::left, nullptr},
    {"top", &FrameVariables::top, nullptr}, {"min", &FrameVariables::min, nullptr},
    {"max", &FrameVariables::max, nullptr},
};

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && errno != ERANGE;
}

bool setVariable(FrameVariables& vars, const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = assignment.substr(0, eq);
    double value;
    if (!parseNumber(assignment.c_str() + eq + 1, value)) return false;
    for (const VariableField& f : kVariableFields) {
        if (name != f.name) continue;
        if (f.real)
            vars.*(f.real) = value;
        else
            vars.*(f.integer) = truncToInt32(value);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    bool showCode = false;
    bool disassembly = false; // --code as records instead of hex
    const char* formula = nullptr;
    const char* sourcePath = nullptr;
    bool haveRecursion = false;
    std::int32_t recursion = 0;
    FrameVariables vars{};
    vars.pw = vars.ph = vars.fw = vars.fh = 256;

    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (optionsDone || a.empty() || a[0] != '-' || a == "-" ||
            (a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.'))) {
            // A formula may start with a minus sign: -x, -1.5.
            if (formula) return usage("give one formula");
            formula = argv[i];
        } else if (a == "--") {
            optionsDone = true;
        } else if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--code") {
            showCode = true;
        } else if (a == "--disasm") {
            disassembly = true;
        } else if (a == "--var") {
            if (i + 1 >= argc) return usage("--var needs NAME=VALUE");
            if (!setVariable(vars, argv[++i]))
                return usage(("bad --var " + std::string(argv[i])).c_str());
        } else if (a == "--recursion") {
            double n;
            if (i + 1 >= argc || !parseNumber(argv[++i], n))
                return usage("--recursion needs a number");
            haveRecursion = true;
            recursion = truncToInt32(n);
        } else if (a == "--source") {
            if (i + 1 >= argc) return usage("--source needs a file");
            sourcePath = argv[++i];
        } else if (a.size() > 1 && a[1] == '-') {
            return usage(("unknown option " + a).c_str());
        } else {
            // Any other leading minus is a formula: -x, -sin(x), -(1).
            if (formula) return usage("give one formula");
            formula = argv[i];
        }
    }
    if (!formula) return usage();

    static FormulaSlot slot;
    if (std::strlen(formula) >= sizeof slot.text) {
        std::fprintf(stderr, "trevalin-formula: formula longer than %zu characters\n",
                     sizeof slot.text - 1);
        return 1;
    }
    setFormulaText(slot, formula);
    const int failed = compileFormula(slot);
    for (const FormulaDiagnostic& d : lastCompileDiagnostics())
        std::fputs(compilerStyle("formula", slot.text, d).c_str(), stderr);
    if (failed) return 1;
    if (showCode) {
        const int length = codeLength(slot.code);
        if (disassembly)
            std::printf("%s", disassemble(slot.code).c_str());
        else
            for (int i = 0; i < length; ++i)
                std::printf("%02x", slot.code[i]);
        std::printf("\nflags %d\n", static_cast<int>(slot.flags));
    }

    DibImage source;
    if (sourcePath) {
        source.load(sourcePath);
        if (!source.hasData())
            std::fprintf(stderr, "trevalin-formula: warning: cannot read source image %s\n",
                         sourcePath);
        vars.source = source.sourceView();
    }
    static FormulaContext context; // constructed once: the random state starts fresh
    if (haveRecursion) context.setIterationLimit(recursion);
    const FormulaValue v = runFormula(context, slot.code, vars);
    if (v.isTriple)
        std::printf("rgb(%.17g, %.17g, %.17g)\n", v.first, v.second, v.third);
    else
        std::printf("%.17g\n", v.first);
    return 0;
}
