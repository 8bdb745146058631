/* The formula grammar: an LALR(1) parser whose actions emit byte code as each
   rule is reduced. There is no error recovery: the first error ends the parse. */
%define api.pure full
%define api.prefix {formula_}
%define parse.error custom
%locations
%param {trevalin::CompileState& state}

%code requires {
#include <cstdint>
namespace trevalin {
struct CompileState;
struct SymbolEntry;
}
// Where a token or a reduced phrase lies in the formula, in bytes.
struct FormulaLocation {
    int begin = 0;
    int end = 0;
    FormulaLocation() = default;
    // The parser's own initial value names lines and columns; offsets start at 0.
    constexpr FormulaLocation(int, int, int, int) {}
};
#define FORMULA_LTYPE FormulaLocation
#define FORMULA_LTYPE_IS_DECLARED 1
// Lets the parser's stacks grow past their first 200 entries when compiled as C++.
#define FORMULA_LTYPE_IS_TRIVIAL 1
#define YYLLOC_DEFAULT(Current, Rhs, N)                                                            \
    do {                                                                                           \
        if (N) {                                                                                   \
            (Current).begin = YYRHSLOC(Rhs, 1).begin;                                              \
            (Current).end = YYRHSLOC(Rhs, N).end;                                                  \
        } else {                                                                                   \
            (Current).begin = (Current).end = YYRHSLOC(Rhs, 0).end;                                \
        }                                                                                          \
    } while (0)
}

%code {
#include <cstring>

#include "formula/compile_state.h"
#include "formula/diagnostic_details.h"
#include "formula/opcodes.h"

namespace {

int formula_lex(FORMULA_STYPE* value, FORMULA_LTYPE* location, trevalin::CompileState& state);
void formula_error(FORMULA_LTYPE* location, trevalin::CompileState& state, const char* message);

constexpr std::uint8_t op(trevalin::Op o) { return static_cast<std::uint8_t>(o); }
constexpr std::uint8_t slot(trevalin::Slot s) { return static_cast<std::uint8_t>(s); }

} // namespace

// The code area is finite: an emit that does not fit ends the compile.
static_assert(trevalin::kCodeAreaSize == 4096, "the message below names the size");
#define EMIT(call)                                                                                 \
    do {                                                                                           \
        if (!(state.emitter.call)) {                                                               \
            state.fail(trevalin::DiagnosticKind::TooLong, yyloc.begin, yyloc.end - yyloc.begin,   \
                       "the code does not fit in its 4096 bytes");                                 \
            YYABORT;                                                                               \
        }                                                                                          \
    } while (0)

#define EMIT_PIXEL_VARIABLE(s)                                                                     \
    do {                                                                                           \
        EMIT(emitVariable(slot(s)));                                                               \
        state.dependencyFlags &= ~static_cast<std::uint32_t>(trevalin::kDependsOnPixel);           \
    } while (0)
}

%union {
    double number;
    const trevalin::SymbolEntry* entry;
    int code;
}

%token <number> NUMBER
%token <entry> STRING VARIABLE FUNCTION
%token <code> COMPARE
%token LOGAND LOGOR BITAND BITOR XOR MOD POW NEG
%type <code> arglist

/* Lowest first. && and || share one level and group left to right, so
   "x or y and z" is "(x or y) and z"; stored formulas rely on that. One
   COMPARE level: "x < y < z" compares the 0 or 1 of "x < y" with z. Unary
   minus binds below ^, so -x^2 is -(x^2), and ^ groups to the right. */
%left LOGAND LOGOR
%left COMPARE
%left BITAND BITOR XOR
%left '+' '-'
%left '*' '/' MOD
%left NEG
%right POW

%%

formula
    : %empty                        { state.emitter.writeEnd(); }
    | expr                          { state.emitter.writeEnd(); }
    ;

expr
    : NUMBER                        { EMIT(emitLiteral($1)); }
    /* A quoted note is no value: it warns and emits nothing. */
    | STRING                        { state.warn(trevalin::DiagnosticKind::StringValue, @1.begin, @1.end - @1.begin,
                                                 trevalin::stringValueDetail($1->name)); }
    | VARIABLE                      { EMIT(emitVariable($1->code));
                                      state.dependencyFlags &= ~static_cast<std::uint32_t>($1->dependencyKind); }
    /* Arguments are emitted as they reduce, so the call only adds its
       operation; a wrong count warns and still compiles. */
    | FUNCTION '(' arglist ')'      { EMIT(emitOperation($1->code));
                                      trevalin::checkArgumentCount(state, *$1, $3, @1.begin, @1.end); }
    | FUNCTION '(' ')'              { EMIT(emitOperation($1->code));
                                      trevalin::checkArgumentCount(state, *$1, 0, @1.begin, @1.end); }
    | expr '+' expr                 { EMIT(emitOperation(op(trevalin::Op::Add))); }
    | expr '*' expr                 { EMIT(emitOperation(op(trevalin::Op::Multiply))); }
    | expr '/' expr                 { EMIT(emitOperation(op(trevalin::Op::Divide))); }
    | expr POW expr                 { EMIT(emitOperation(op(trevalin::Op::Pow))); }
    | expr MOD expr                 { EMIT(emitOperation(op(trevalin::Op::Mod))); }
    | expr BITAND expr              { EMIT(emitOperation(op(trevalin::Op::BitAnd))); }
    | expr BITOR expr               { EMIT(emitOperation(op(trevalin::Op::BitOr))); }
    | expr XOR expr                 { EMIT(emitOperation(op(trevalin::Op::Xor))); }
    | expr LOGAND expr              { EMIT(emitOperation(op(trevalin::Op::LogicalAnd))); }
    | expr LOGOR expr               { EMIT(emitOperation(op(trevalin::Op::LogicalOr))); }
    /* The scanner hands over the comparison's operation code with the token. */
    | expr COMPARE expr             { EMIT(emitOperation(static_cast<std::uint8_t>($2))); }
    /* The scanner returns the letters r g b c s l as characters before any
       name look-up: alone they read the pixel under the sample, with [x, y]
       the source image at a point. */
    | 'r' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::Red))); }
    | 'g' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::Green))); }
    | 'b' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::Blue))); }
    | 'c' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::HueAt))); }
    | 's' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::SaturationAt))); }
    | 'l' '[' pair ']'              { EMIT(emitOperation(op(trevalin::Op::LargestAt))); }
    | 'r'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::R); }
    | 'g'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::G); }
    | 'b'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::B); }
    | 'c'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::C); }
    | 's'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::S); }
    | 'l'                           { EMIT_PIXEL_VARIABLE(trevalin::Slot::L); }
    | expr '-' expr                 { EMIT(emitOperation(op(trevalin::Op::Subtract))); }
    | '-' expr %prec NEG            { EMIT(emitOperation(op(trevalin::Op::Negate))); }
    | '~' expr %prec NEG            { EMIT(emitOperation(op(trevalin::Op::Complement))); }
    /* Empty parentheses stand for nothing: "x + ()" is the code of "x +". */
    | '(' ')'                       { }
    | '(' expr ')'                  { }
    ;

arglist
    : expr                          { $$ = 1; }
    | arglist ',' expr              { $$ = $1 + 1; }
    ;

pair
    : expr ',' expr
    ;

%%

namespace {

int formula_lex(FORMULA_STYPE* value, FORMULA_LTYPE* location, trevalin::CompileState& state) {
    using trevalin::TokenType;
    state.previous = state.lookahead;
    ++state.tokensRead;
    state.lookahead = state.scanner.next();
    const trevalin::Token& tok = state.lookahead;
    location->begin = tok.begin;
    location->end = tok.end;
    switch (tok.type) {
    case TokenType::End: return 0;
    case TokenType::Number: value->number = tok.number; return NUMBER;
    case TokenType::String: value->entry = tok.entry; return STRING;
    case TokenType::Variable: value->entry = tok.entry; return VARIABLE;
    case TokenType::Function: value->entry = tok.entry; return FUNCTION;
    case TokenType::Compare: value->code = tok.code; return COMPARE;
    case TokenType::LogAnd: return LOGAND;
    case TokenType::LogOr: return LOGOR;
    case TokenType::BitAnd: return BITAND;
    case TokenType::BitOr: return BITOR;
    case TokenType::Xor: return XOR;
    case TokenType::Mod: return MOD;
    case TokenType::Pow: return POW;
    case TokenType::Char: return static_cast<unsigned char>(tok.ch);
    }
    return 0;
}

void formula_error(FORMULA_LTYPE*, trevalin::CompileState& state, const char* message) {
    // The parser's stack is limited to 10000 entries; running out of it is the
    // only way it exhausts memory. Syntax errors come through
    // yyreport_syntax_error instead.
    const trevalin::Token& at = state.lookahead;
    if (std::strcmp(message, "memory exhausted") == 0)
        state.fail(trevalin::DiagnosticKind::StackOverflow, at.begin, at.end - at.begin,
                   "nested too deeply");
    else
        state.fail(trevalin::DiagnosticKind::ParseError, at.begin, at.end - at.begin, message);
}

// The kinds of token the parser could have taken, by their grammar names.
unsigned expectedTokens(const yypcontext_t* context) {
    yysymbol_kind_t kinds[YYNTOKENS];
    const int n = yypcontext_expected_tokens(context, kinds, YYNTOKENS);
    unsigned expected = 0;
    for (int i = 0; i < n; ++i) {
        const char* name = yysymbol_name(kinds[i]);
        if (std::strcmp(name, "NUMBER") == 0) expected |= trevalin::kExpectValue;
        else if (std::strcmp(name, "'('") == 0) expected |= trevalin::kExpectOpenParen;
        else if (std::strcmp(name, "')'") == 0) expected |= trevalin::kExpectCloseParen;
        else if (std::strcmp(name, "','") == 0) expected |= trevalin::kExpectComma;
        else if (std::strcmp(name, "'['") == 0) expected |= trevalin::kExpectOpenBracket;
        else if (std::strcmp(name, "']'") == 0) expected |= trevalin::kExpectCloseBracket;
        else if (kinds[i] == YYSYMBOL_YYEOF) expected |= trevalin::kExpectEnd;
        else if (std::strcmp(name, "'+'") == 0 || std::strcmp(name, "'*'") == 0 ||
                 std::strcmp(name, "COMPARE") == 0 || std::strcmp(name, "LOGAND") == 0)
            expected |= trevalin::kExpectOperator;
    }
    return expected;
}

} // namespace

// Declared static by the parser, so it cannot live in the namespace above.
static int yyreport_syntax_error(const yypcontext_t* context, trevalin::CompileState& state) {
    trevalin::reportSyntaxError(state, expectedTokens(context));
    return 0;
}

namespace trevalin {
void parseFormula(CompileState& state) { formula_parse(state); }
} // namespace trevalin
