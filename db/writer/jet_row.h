#pragma once
// One table row in the Jet 4 row format: column count, fixed area, variable
// data, end-of-data offset, the offset table (last column first), its length,
// and the null mask (one bit per column, set when not null; booleans keep their
// value there).
#include <optional>
#include <vector>

#include "db/writer/jet_table.h"
#include "text/value.h"

namespace scandrel::db::writer {

// A cell ready to be placed: nullopt for null; booleans one byte 0 or 1;
// fixed columns exactly their size; variable columns their stored bytes.
using Cell = std::optional<Bytes>;

// Converts a value for any column but a memo, refusing values of the wrong
// kind, out of range, or too long for the column.
Cell encodeCell(const ColumnLayout& column, const Value& value);

Bytes assembleRow(const TableLayout& table, const std::vector<Cell>& cells);

// Size assembleRow would give, without building it.
size_t rowSize(const TableLayout& table, const std::vector<Cell>& cells);

}  // namespace scandrel::db::writer
