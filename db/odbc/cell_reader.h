#pragma once
// Field values of the rows a server sends, turned into the values a Jet file gives
// for the same data: texts and long texts, dates, whole numbers, Booleans, bytes.
#include <vector>

#include "db/base/columns.h"
#include "text/value.h"
#include "db/odbc/handle.h"

namespace scandrel::db::odbc {

// The column as `schema` shows it, from the server's description of it.
ColumnInfo columnInfo(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits);

// Reads one column of a statement's rows: bound to an array of a rowset's values
// (SQLBindCol) when its values have a size known beforehand, else a cell at a time
// with SQLGetData, in pieces for long values.
class CellReader {
public:
    CellReader(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType);

    // Whether the column's values have a size known beforehand: numbers, dates,
    // Booleans and texts of `characters` up to a Jet text column's 255.
    bool bindable(const ColumnInfo& info) const;
    // Binds the column to arrays of `rows` values; only when bindable. The bytes bound
    // per row are bytesPerRow(info).
    void bind(const ColumnInfo& info, size_t rows);
    static size_t bytesPerRow(const ColumnInfo& info);
    bool bound() const { return !buffer_.empty(); }

    // Unbound: the value at the statement's current row.
    Value read();
    // Bound: the value at row `row` of the rowset fetched last; false in `complete`
    // when the driver cut it short (then read it again unbound).
    Value at(size_t row, bool& complete) const;

    // How a column's values are read, by the type the server gives it.
    enum class Kind : uint8_t { Text, Boolean, Byte, Integer, Long, BigInt, Single, Double, Date, Binary };

private:
    const Handle* statement_;
    SQLUSMALLINT column_;
    Kind kind_;
    std::vector<unsigned char> buffer_;  // bound: `rows` values of width_ bytes
    std::vector<SQLLEN> indicators_;
    size_t width_ = 0;
};

}  // namespace scandrel::db::odbc
