#pragma once
// Orders and groups rows a server sent the way the Jet engine orders and looks up the
// rows of a file, so that a linked table lists its rows as the same table in a file.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "db/odbc/result_rows.h"

namespace scandrel::db::odbc {

// `picked` in the order of the column's values: nulls first, numbers by value, texts
// by the engine's general sort order; rows with equal values keep their order.
Picked sortedBy(const ResultRows& data, const Picked& picked, size_t column, bool descending);

// The whole number a value stands for in WHERE column = number; nothing for a value
// that no number equals.
std::optional<int64_t> wholeNumber(const Value& value);

// Every row grouped by the whole number of one column, in the order they came.
struct KeyGroups {
    std::vector<int64_t> keys;  // ascending, one per row that has one
    std::shared_ptr<Picked> rows;
    // Where the rows whose key is `key` are in `rows`: [first, last).
    std::pair<size_t, size_t> find(int64_t key) const;
};
KeyGroups groupBy(const ResultRows& data, size_t column);

}  // namespace scandrel::db::odbc
