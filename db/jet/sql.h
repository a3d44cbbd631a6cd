#pragma once
// The statements the engine answers:
//   SELECT * FROM <table> [WHERE <column> = <integer>] [ORDER BY <column> [ASC|DESC]]
// keywords in any case, names plain or in square brackets. Anything else is a
// syntax error with the engine's number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scandrel::db::jet {

struct SelectStatement {
    std::u16string table;
    struct Where {
        std::u16string column;
        int64_t value = 0;
        bool outOfRange = false;  // a number no column holds; matches nothing
    };
    std::optional<Where> where;
    struct Order {
        std::u16string column;
        bool descending = false;
    };
    std::optional<Order> orderBy;
};

SelectStatement parseSelect(std::u16string_view sql);

}  // namespace scandrel::db::jet
