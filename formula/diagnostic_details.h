// The wording of each diagnostic's detail, kept in one place so that the tools,
// the pages and the editor say the same thing.
#pragma once

#include <string>
#include <string_view>

namespace trevalin {

// "unknown name 'sinn' has no value; did you mean 'sin'?"
std::string unknownNameDetail(std::string_view name);
// "'sinn' is not a function; did you mean 'sin'?" / "'x' is a variable, not a function"
std::string notAFunctionDetail(std::string_view name, bool isVariable);
// "sin takes 1 value, got 2: the first is dropped"
std::string argumentCountDetail(std::string_view name, int takes, int got);
// "string literal \"abc\" has no value: it is ignored"
std::string stringValueDetail(std::string_view literal);
// "'@' is skipped" with a hint for the characters people type by habit.
std::string skippedDetail(std::string_view characters);
// A number followed at once by letters: "numbers have no exponent: write 1000
// or 10^3", "a number and a name side by side: write 2*x". Empty when the
// letters are an operator word (2and3 is 2 and 3).
std::string gluedNumberDetail(std::string_view number, std::string_view letters);

// What the parser expected, from the kinds of tokens it could have taken next.
enum ExpectedTokens : unsigned {
    kExpectValue = 1u << 0,
    kExpectOperator = 1u << 1,
    kExpectOpenParen = 1u << 2,
    kExpectCloseParen = 1u << 3,
    kExpectComma = 1u << 4,
    kExpectOpenBracket = 1u << 5,
    kExpectCloseBracket = 1u << 6,
    kExpectEnd = 1u << 7,
};
// "a value", "an operator, ',' or ')'"; empty for no set.
std::string expectedPhrase(unsigned expected);

} // namespace trevalin
