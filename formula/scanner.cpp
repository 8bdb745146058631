#include "formula/scanner.h"

#include <charconv>

#include "formula/diagnostic_details.h"
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

Scanner::Scanner(const char* text, std::size_t maxLength, SymbolTable& symbols,
                 std::vector<FormulaDiagnostic>& notes)
    : text_(text, strnlen(text, maxLength)), symbols_(symbols), notes_(notes) {}

const GluedNumber* Scanner::gluedBefore(int offset) const {
    for (const GluedNumber& g : glued_)
        if (g.tokenBegin == offset) return &g;
    return nullptr;
}

void Scanner::noteGluedNumber(std::size_t start, std::size_t end) {
    std::size_t i = end;
    const auto at = [&](std::size_t k) { return k < text_.size() ? text_[k] : '\0'; };
    if (!isLetter(at(i))) return;
    // The letters, and for an exponent its sign and digits too.
    ++i;
    if (lower(text_[end]) == 'e' && (at(i) == '+' || at(i) == '-') && isDigit(at(i + 1))) ++i;
    while (isLetter(at(i)) || isDigit(at(i)) || at(i) == '_')
        ++i;
    const std::string_view s(text_);
    std::string detail = gluedNumberDetail(s.substr(start, end - start), s.substr(end, i - end));
    if (detail.empty()) return;
    glued_.push_back(GluedNumber{static_cast<int>(end), static_cast<int>(start),
                                 static_cast<int>(i), std::move(detail)});
}

void Scanner::noteSkipped(std::size_t from, std::size_t to) {
    notes_.push_back(FormulaDiagnostic{
        DiagnosticKind::SkippedCharacter, static_cast<int>(from), static_cast<int>(to - from),
        skippedDetail(std::string_view(text_).substr(from, to - from))});
}

Token Scanner::next() {
    const std::size_t before = pos_;
    Token tok = scan();
    tok.begin = static_cast<int>(tokenStart_);
    tok.end = static_cast<int>(pos_);
    // Skipped characters between the previous token and this one, one note per run.
    std::size_t runStart = std::string::npos;
    for (std::size_t i = before; i <= static_cast<std::size_t>(tok.begin); ++i) {
        const bool skipped = i < static_cast<std::size_t>(tok.begin) && text_[i] != ' ' &&
                             text_[i] != '\t' && text_[i] != '\n' && text_[i] != '\r';
        if (skipped && runStart == std::string::npos) runStart = i;
        if (!skipped && runStart != std::string::npos) {
            noteSkipped(runStart, i);
            runStart = std::string::npos;
        }
    }
    if (tok.unknownName) {
        notes_.push_back(FormulaDiagnostic{DiagnosticKind::UnknownName, tok.begin,
                                           tok.end - tok.begin, unknownNameDetail(textOf(tok))});
    }
    return tok;
}

Token Scanner::scan() {
    const std::string& s = text_;
    const std::size_t n = s.size();
    auto at = [&](std::size_t i) { return i < n ? s[i] : '\0'; };

    while (pos_ < n) {
        const std::size_t start = pos_;
        tokenStart_ = pos_;
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
            noteGluedNumber(start, i);
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
            if (!entry) {
                entry = symbols_.enter(word, SymbolKind::Variable);
                tok.unknownName = true;
            }
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
    tokenStart_ = n;
    return Token{TokenType::End};
}

} // namespace trevalin
