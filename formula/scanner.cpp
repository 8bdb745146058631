#include "formula/scanner.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

#include "formula/opcodes.h"

namespace trevalin {
namespace {

struct NamedConstant {
    std::string_view name;
    double value;
};
constexpr NamedConstant kConstants[] = {
#define TREVALIN_CONSTANT_ROW(Name, spelling, value) {spelling, value},
    TREVALIN_CONSTANTS(TREVALIN_CONSTANT_ROW)
#undef TREVALIN_CONSTANT_ROW
};

constexpr std::uint8_t compare(Op op) {
    return static_cast<std::uint8_t>(op);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsLower(std::string_view word, std::string_view keyword) {
    if (word.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(word[i]) != keyword[i]) return false;
    return true;
}

// The decimal value of a run of digits with an optional fraction. from_chars
// ignores the locale, which the desktop program sets from the environment.
double decimalValue(std::string_view text) {
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too large for a double when a nonzero digit precedes the point;
        // otherwise too small.
        for (char c : text) {
            if (c == '.') break;
            if (c != '0') return std::numeric_limits<double>::infinity();
        }
        return 0.0;
    }
    return value;
}

} // namespace

Scanner::Scanner(const char* text, std::size_t maxLength, SymbolTable& symbols)
    : text_(text, strnlen(text, maxLength)), symbols_(symbols) {}

Token Scanner::next() {
    const std::string& s = text_;
    const std::size_t n = s.size();
    auto at = [&](std::size_t i) { return i < n ? s[i] : '\0'; };

    while (pos_ < n) {
        const std::size_t start = pos_;
        const char c = s[pos_];
        Token tok;

        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++pos_;
            continue;
        }

        // Numbers: digits, or digits-point-digits (at least one digit after it).
        if (isDigit(c) || (c == '.' && isDigit(at(pos_ + 1)))) {
            std::size_t i = pos_;
            while (isDigit(at(i)))
                ++i;
            if (at(i) == '.' && isDigit(at(i + 1))) {
                ++i;
                while (isDigit(at(i)))
                    ++i;
            }
            tok.type = TokenType::Number;
            tok.number = decimalValue(std::string_view(s).substr(start, i - start));
            pos_ = i;
            return tok;
        }

        if (c == '"') {
            std::size_t i = pos_ + 1;
            while (i < n && s[i] != '"' && s[i] != '\n')
                ++i;
            if (i < n && s[i] == '"') {
                pos_ = i + 1;
                tok.type = TokenType::String;
                tok.entry = symbols_.enter(std::string_view(s).substr(start, pos_ - start),
                                           SymbolKind::String);
                return tok;
            }
            ++pos_; // a lone double quote is skipped
            continue;
        }

        if (isLetter(c)) {
            std::size_t i = pos_ + 1;
            while (isLetter(at(i)) || isDigit(at(i)) || at(i) == '_')
                ++i;
            const std::string_view word = std::string_view(s).substr(start, i - start);
            pos_ = i;
            // Keyword rules come before the name rule and win a tie in length.
            for (const NamedConstant& k : kConstants)
                if (equalsLower(word, k.name)) return Token{TokenType::Number, k.value};
            if (word.size() == 1 && std::strchr("rgbcsl", lower(c))) {
                tok.type = TokenType::Char;
                tok.ch = lower(c);
                return tok;
            }
            if (equalsLower(word, "and")) return Token{TokenType::LogAnd};
            if (equalsLower(word, "or")) return Token{TokenType::LogOr};
            if (equalsLower(word, "mod")) return Token{TokenType::Mod};
            if (equalsLower(word, "xor")) return Token{TokenType::Xor};
            const SymbolEntry* entry = symbols_.find(word);
            if (!entry) entry = symbols_.enter(word, SymbolKind::Variable);
            tok.type =
                entry->kind == SymbolKind::Function ? TokenType::Function : TokenType::Variable;
            tok.entry = entry;
            return tok;
        }

        const char d = at(pos_ + 1);
        auto two = [&](TokenType type, std::uint8_t code = 0) {
            pos_ += 2;
            Token t{type};
            t.code = code;
            return t;
        };
        auto one = [&](TokenType type, std::uint8_t code = 0) {
            pos_ += 1;
            Token t{type};
            t.code = code;
            return t;
        };
        switch (c) {
        case '?':
            ++pos_;
            tok.type = TokenType::Variable;
            tok.entry = symbols_.find("?");
            return tok;
        case '&': return d == '&' ? two(TokenType::LogAnd) : one(TokenType::BitAnd);
        case '|': return d == '|' ? two(TokenType::LogOr) : one(TokenType::BitOr);
        case '%': return one(TokenType::Mod);
        case '^': return one(TokenType::Pow);
        case '*':
            if (d == '*') return two(TokenType::Pow);
            break;
        case '=':
            return d == '=' ? two(TokenType::Compare, compare(Op::Equal))
                            : one(TokenType::Compare, compare(Op::Equal));
        case '!':
            if (d == '=') return two(TokenType::Compare, compare(Op::NotEqual));
            break;
        case '<':
            if (d == '>') return two(TokenType::Compare, compare(Op::NotEqual));
            if (d == '=') return two(TokenType::Compare, compare(Op::LessEqual));
            return one(TokenType::Compare, compare(Op::Less));
        case '>':
            if (d == '=') return two(TokenType::Compare, compare(Op::GreaterEqual));
            return one(TokenType::Compare, compare(Op::Greater));
        default: break;
        }
        if (std::strchr("()+-*/,[]~!", c)) {
            ++pos_;
            tok.type = TokenType::Char;
            tok.ch = c;
            return tok;
        }
        // Anything else, bytes outside 7-bit ASCII included, is skipped.
        ++pos_;
    }
    return Token{TokenType::End};
}

} // namespace trevalin
