#include "db/base/sql.h"

#include <vector>

#include "db/base/errors.h"

namespace scandrel::db {
namespace {

struct Token {
    enum class Kind : uint8_t { Word, Bracketed, Number, Symbol, Bad } kind = Kind::Bad;
    std::u16string text;
    size_t start = 0;  // position in the statement
};

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'_' || c >= 0xC0;
}

std::vector<Token> tokenize(std::u16string_view sql) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < sql.size()) {
        const char16_t c = sql[i];
        if (isSpace(c)) {
            ++i;
            continue;
        }
        Token token;
        token.start = i;
        if (c == u'[') {
            const size_t close = sql.find(u']', i + 1);
            if (close == std::u16string_view::npos) {
                token.kind = Token::Kind::Bad;
                token.text = sql.substr(i);
                i = sql.size();
            } else {
                token.kind = Token::Kind::Bracketed;
                token.text = sql.substr(i + 1, close - i - 1);
                i = close + 1;
            }
        } else if (isDigit(c)) {
            size_t j = i;
            while (j < sql.size() && isWordChar(sql[j])) ++j;
            token.text = sql.substr(i, j - i);
            bool digitsOnly = true;
            for (char16_t d : token.text) digitsOnly = digitsOnly && isDigit(d);
            token.kind = digitsOnly ? Token::Kind::Number : Token::Kind::Word;
            i = j;
        } else if (isWordChar(c)) {
            size_t j = i;
            while (j < sql.size() && isWordChar(sql[j])) ++j;
            token.kind = Token::Kind::Word;
            token.text = sql.substr(i, j - i);
            i = j;
        } else {
            token.kind = Token::Kind::Symbol;
            token.text = sql.substr(i, 1);
            ++i;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

bool keyword(const Token& token, std::u16string_view word) {
    if (token.kind != Token::Kind::Word || token.text.size() != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char16_t c = token.text[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        if (c != word[i]) return false;
    }
    return true;
}

bool symbol(const Token& token, char16_t c) {
    return token.kind == Token::Kind::Symbol && token.text.size() == 1 && token.text[0] == c;
}

bool reserved(const Token& token) {
    for (std::u16string_view word : {u"SELECT", u"FROM", u"WHERE", u"ORDER", u"BY", u"ASC", u"DESC", u"AND", u"OR",
                                     u"NOT", u"GROUP", u"HAVING", u"UNION", u"JOIN", u"ON", u"AS"})
        if (keyword(token, word)) return true;
    return false;
}

// A table or column name: a plain word that is not a keyword, or a non-empty name in brackets.
std::optional<std::u16string> nameAt(const std::vector<Token>& tokens, size_t at) {
    if (at >= tokens.size()) return std::nullopt;
    const Token& token = tokens[at];
    if (token.kind == Token::Kind::Bracketed) {
        if (token.text.empty() || token.text.find(u'[') != std::u16string::npos) return std::nullopt;
        return token.text;
    }
    if (token.kind == Token::Kind::Word && !reserved(token)) return token.text;
    return std::nullopt;
}

// The decimal digits as a 64-bit number; nullopt when it doesn't fit.
std::optional<int64_t> numberOf(std::u16string_view digits, bool negative) {
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? 9223372036854775808ull : 9223372036854775807ull;
    for (char16_t d : digits) {
        const uint64_t digit = static_cast<uint64_t>(d - u'0');
        if (magnitude > (limit - digit) / 10) return std::nullopt;
        magnitude = magnitude * 10 + digit;
    }
    if (negative) return magnitude == limit ? INT64_MIN : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

}  // namespace

SelectStatement parseSelect(std::u16string_view sql) {
    const std::vector<Token> tokens = tokenize(sql);
    if (tokens.empty() || !keyword(tokens[0], u"SELECT")) throw invalidSqlStatement();
    if (tokens.size() < 2 || !symbol(tokens[1], u'*')) throw selectStatementSyntax();
    if (tokens.size() < 3 || !keyword(tokens[2], u"FROM")) throw selectStatementSyntax();

    SelectStatement statement;
    const auto table = nameAt(tokens, 3);
    if (!table) throw fromClauseSyntax();
    statement.table = *table;
    size_t at = 4;

    if (at < tokens.size() && keyword(tokens[at], u"WHERE")) {
        const size_t expressionStart = at + 1 < tokens.size() ? tokens[at + 1].start : sql.size();
        size_t expressionEnd = sql.size();
        for (size_t k = at + 1; k < tokens.size(); ++k)
            if (keyword(tokens[k], u"ORDER")) {
                expressionEnd = tokens[k].start;
                break;
            }
        std::u16string_view expression = sql.substr(expressionStart, expressionEnd - expressionStart);
        while (!expression.empty() && isSpace(expression.back())) expression.remove_suffix(1);
        const auto fail = [&]() { return queryExpressionSyntax(expression); };

        const auto column = nameAt(tokens, at + 1);
        if (!column || at + 2 >= tokens.size() || !symbol(tokens[at + 2], u'=')) throw fail();
        size_t k = at + 3;
        bool negative = false;
        if (k < tokens.size() && symbol(tokens[k], u'-')) {
            negative = true;
            ++k;
        }
        if (k >= tokens.size() || tokens[k].kind != Token::Kind::Number) throw fail();
        SelectStatement::Where where;
        where.column = *column;
        const auto number = numberOf(tokens[k].text, negative);
        where.negative = negative;
        where.outOfRange = !number.has_value();
        where.value = number.value_or(0);
        statement.where = where;
        at = k + 1;
        if (at < tokens.size() && !keyword(tokens[at], u"ORDER")) throw fail();
    }

    if (at < tokens.size() && keyword(tokens[at], u"ORDER")) {
        if (at + 1 >= tokens.size() || !keyword(tokens[at + 1], u"BY")) throw orderByClauseSyntax();
        const auto column = nameAt(tokens, at + 2);
        if (!column) throw orderByClauseSyntax();
        SelectStatement::Order order;
        order.column = *column;
        at += 3;
        if (at < tokens.size() && (keyword(tokens[at], u"ASC") || keyword(tokens[at], u"DESC"))) {
            order.descending = keyword(tokens[at], u"DESC");
            ++at;
        }
        if (at < tokens.size()) throw orderByClauseSyntax();
        statement.orderBy = order;
    }

    if (at < tokens.size()) throw fromClauseSyntax();
    return statement;
}

std::optional<size_t> trailingNumberStart(std::u16string_view sql) {
    size_t start = sql.size();
    while (start > 0 && isDigit(sql[start - 1])) --start;
    if (start == sql.size() || start == 0 || isWordChar(sql[start - 1])) return std::nullopt;
    return start;
}

SelectStatement::Where withNumber(const SelectStatement::Where& where, std::u16string_view digits) {
    SelectStatement::Where out = where;
    const auto number = numberOf(digits, where.negative);
    out.outOfRange = !number.has_value();
    out.value = number.value_or(0);
    return out;
}

std::u16string selectText(const SelectStatement& statement) {
    std::u16string sql = u"SELECT * FROM [" + statement.table + u"]";
    if (const auto& where = statement.where) {
        sql += u" WHERE [" + where->column + u"] = ";
        if (where->negative) sql += u'-';
        if (where->outOfRange) {
            sql += u"99999999999999999999";  // beyond any number, as the one written was
        } else {
            uint64_t magnitude = where->value < 0 ? 0 - static_cast<uint64_t>(where->value)
                                                  : static_cast<uint64_t>(where->value);
            std::u16string digits;
            do {
                digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
                magnitude /= 10;
            } while (magnitude != 0);
            sql += digits;
        }
    }
    if (const auto& order = statement.orderBy) {
        sql += u" ORDER BY [" + order->column + u"]";
        if (order->descending) sql += u" DESC";
    }
    return sql;
}

}  // namespace scandrel::db
