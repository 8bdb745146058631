/* The formula grammar: an LALR(1) parser whose actions emit byte code as each
   rule is reduced. There is no error recovery: the first error ends the parse. */
%define api.pure full
%define api.prefix {formula_}
%define parse.error simple
%param {trevalin::CompileState& state}

%code requires {
#include <cstdint>
namespace trevalin {
struct CompileState;
struct SymbolEntry;
}
}

%code {
#include <cstring>

#include "formula/compile_state.h"
#include "formula/opcodes.h"

namespace {

int formula_lex(FORMULA_STYPE* value, trevalin::CompileState& state);
void formula_error(trevalin::CompileState& state, const char* message);

constexpr std::uint8_t op(trevalin::Op o) { return static_cast<std::uint8_t>(o); }
constexpr std::uint8_t slot(trevalin::Slot s) { return static_cast<std::uint8_t>(s); }

} // namespace

// The code area is finite: an emit that does not fit ends the compile.
#define EMIT(call)                                                                                 \
    do {                                                                                           \
        if (!(state.emitter.call)) {                                                               \
            state.fail("formula too long");                                                        \
            YYABORT;                                                                               \
        }                                                                                          \
    } while (0)

#define EMIT_PIXEL_VARIABLE(s)                                                                     \
    do {                                                                                           \
        EMIT(emitVariable(slot(s)));                                                               \
        state.dependencyFlags &= ~static_cast<std::uint32_t>(trevalin::kDependsOnPixel);                                                              \
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
    | STRING                        { }
    | VARIABLE                      { EMIT(emitVariable($1->code));
                                      state.dependencyFlags &= ~static_cast<std::uint32_t>($1->dependencyKind); }
    | FUNCTION '(' arglist ')'      { EMIT(emitOperation($1->code)); }
    | FUNCTION '(' ')'              { EMIT(emitOperation($1->code)); }
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
    | expr COMPARE expr             { EMIT(emitOperation(static_cast<std::uint8_t>($2))); }
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
    | '(' ')'                       { }
    | '(' expr ')'                  { }
    ;

arglist
    : expr
    | arglist ',' expr
    ;

pair
    : expr ',' expr
    ;

%%

namespace {

int formula_lex(FORMULA_STYPE* value, trevalin::CompileState& state) {
    using trevalin::TokenType;
    const trevalin::Token tok = state.scanner.next();
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

void formula_error(trevalin::CompileState& state, const char* message) {
    // The parser's stack is limited to 10000 entries; running out of it is the
    // only way it exhausts memory.
    if (std::strcmp(message, "memory exhausted") == 0)
        state.fail("parser stack overflow");
    else
        state.fail("parse error");
}

} // namespace

namespace trevalin {
void parseFormula(CompileState& state) { formula_parse(state); }
} // namespace trevalin
