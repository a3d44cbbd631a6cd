#pragma once
// Orders and groups rows a server sent by the engine's own order of values
// (db/base/value_order.h), so that a linked table lists and looks up its rows as the
// same table in a file.
#include <cstdint>
#include <memory>
#include <vector>

#include "db/odbc/result_rows.h"

namespace scandrel::db::odbc {

// `picked` in the order of the column's values; rows with equal values keep their order.
Picked sortedBy(const ResultRows& data, const Picked& picked, size_t column, bool descending);

// Every row grouped by the whole number of one column, in the order they came.
struct KeyGroups {
    std::vector<int64_t> keys;  // ascending, one per row that has one
    std::shared_ptr<Picked> rows;
    // Where the rows whose key is `key` are in `rows`: [first, last).
    std::pair<size_t, size_t> find(int64_t key) const;
};
KeyGroups groupBy(const ResultRows& data, size_t column);

}  // namespace scandrel::db::odbc
