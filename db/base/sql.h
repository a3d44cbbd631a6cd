#pragma once
// The statements the engine answers:
//   SELECT * FROM <table> [WHERE <column> = <integer>] [ORDER BY <column> [ASC|DESC]]
// keywords in any case, names plain or in square brackets. Anything else is a
// syntax error with the engine's number. Read alike for a Jet file's tables and for
// linked tables; pure functions, any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scandrel::db {

struct SelectStatement {
    std::u16string table;
    struct Where {
        std::u16string column;
        int64_t value = 0;
        bool outOfRange = false;  // a number no column holds; matches nothing
        bool negative = false;    // written with a minus sign
    };
    std::optional<Where> where;
    struct Order {
        std::u16string column;
        bool descending = false;
    };
    std::optional<Order> orderBy;
};

SelectStatement parseSelect(std::u16string_view sql);

// Where the digits a statement ends with start, when they would be read as a number
// of their own (nothing but digits, not joined to a name before them); nullopt when
// the statement does not end that way. Statements that differ only in those digits
// are the same but for the number of their WHERE.
std::optional<size_t> trailingNumberStart(std::u16string_view sql);

// The WHERE of a statement like the one `where` was parsed from, but ending in
// `digits` instead of its own number.
SelectStatement::Where withNumber(const SelectStatement::Where& where, std::u16string_view digits);

// The statement written out again, names in brackets: what parseSelect reads back
// as the same statement.
std::u16string selectText(const SelectStatement& statement);

}  // namespace scandrel::db
