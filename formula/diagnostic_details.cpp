#include "formula/diagnostic_details.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "formula/name_suggestions.h"

namespace trevalin {
namespace {

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::string suggestion(const std::vector<std::string>& names) {
    if (names.empty()) return {};
    std::string s = "; did you mean ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) s += i + 1 == names.size() ? " or " : ", ";
        s += quoted(names[i]);
    }
    return s + "?";
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters people type out of habit from other languages, and what to write.
struct SkipHint {
    char c;
    const char* hint;
};
constexpr SkipHint kSkipHints[] = {
    {'.', "a number needs a digit after its point"},
    {'"', "a string literal ends with '\"' on the same line"},
    {'_', "names start with a letter"},
    {'{', "group with ( and )"},
    {'}', "group with ( and )"},
    {';', "a formula is one expression"},
    {'#', "a formula has no comments"},
    {'$', "names need no sign"},
    {'@', nullptr},
    {':', "for a choice write cond(test, then, else)"},
    {'\\', nullptr},
};

} // namespace

std::string unknownNameDetail(std::string_view name) {
    return "unknown name " + quoted(name) + " has no value" + suggestion(nearestNames(name, false));
}

std::string notAFunctionDetail(std::string_view name, bool isVariable) {
    if (isVariable) return quoted(name) + " is a variable, not a function";
    return quoted(name) + " is not a function" + suggestion(nearestNames(name, true));
}

std::string argumentCountDetail(std::string_view name, int takes, int got) {
    if (takes == 0)
        return std::string(name) + " takes no values (it reads the sample point), got " +
               std::to_string(got) + ": " + (got == 1 ? "it is" : "they are") + " ignored";
    std::string s = std::string(name) + " takes " + std::to_string(takes) +
                    (takes == 1 ? " value" : " values") + ", got " + std::to_string(got) + ": ";
    if (got > takes) {
        const int extra = got - takes;
        s += extra == 1 ? "the first is dropped"
                        : "the first " + std::to_string(extra) + " are dropped";
    } else {
        s += "the missing values come from around the call";
    }
    return s;
}

std::string stringValueDetail(std::string_view literal) {
    return "string literal " + std::string(literal) + " has no value: it is ignored";
}

std::string skippedDetail(std::string_view characters) {
    std::string shown;
    for (char c : characters) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            shown += buf;
        } else {
            shown += c;
        }
    }
    std::string s = quoted(shown) + " is skipped";
    const auto first = static_cast<unsigned char>(characters.empty() ? 0 : characters[0]);
    if (first >= 0x80) return s + ": formulas are written in ASCII";
    for (const SkipHint& h : kSkipHints)
        if (h.c == characters[0] && h.hint) return s + ": " + h.hint;
    return s;
}

std::string gluedNumberDetail(std::string_view number, std::string_view letters) {
    std::string word;
    for (char c : letters)
        word += lower(c);
    if (word == "and" || word == "or" || word == "mod" || word == "xor") return {};
    // 1e3, 2.5E-4: an exponent. The digits after the e, with their sign.
    if (word.size() >= 2 && word[0] == 'e') {
        std::size_t i = 1;
        if (word[i] == '+' || word[i] == '-') ++i;
        if (i < word.size() && isDigit(word[i])) {
            std::string exponent(word.substr(1));
            if (exponent[0] == '+') exponent.erase(0, 1);
            const std::string power =
                (number == "1" ? "" : std::string(number) + "*") + "10^" + exponent;
            std::string plain;
            const std::string all = std::string(number) + "e" + exponent;
            double value = 0;
            const auto parsed = std::from_chars(all.data(), all.data() + all.size(), value);
            const int e = std::atoi(exponent.c_str());
            if (parsed.ec == std::errc() && e >= -15 && e <= 15) {
                char buf[64];
                const auto r =
                    std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
                if (r.ec == std::errc()) plain = std::string(buf, r.ptr) + " or ";
            }
            return "numbers have no exponent: write " + plain + power;
        }
    }
    return "a number and a name side by side: write " + std::string(number) + "*" +
           std::string(letters);
}

std::string expectedPhrase(unsigned expected) {
    struct Row {
        unsigned bit;
        const char* words;
    };
    // A value stands for every token that can start one, '(' among them.
    static constexpr Row kRows[] = {
        {kExpectValue, "a value"},    {kExpectOperator, "an operator"},
        {kExpectOpenParen, "'('"},    {kExpectOpenBracket, "'['"},
        {kExpectComma, "','"},        {kExpectCloseParen, "')'"},
        {kExpectCloseBracket, "']'"}, {kExpectEnd, "end of formula"},
    };
    if (expected & kExpectValue) expected &= ~kExpectOpenParen;
    std::vector<const char*> parts;
    for (const Row& r : kRows)
        if (expected & r.bit) parts.push_back(r.words);
    std::string s;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) s += i + 1 == parts.size() ? " or " : ", ";
        s += parts[i];
    }
    return s;
}

} // namespace trevalin
