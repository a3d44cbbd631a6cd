#pragma once
// Field values of the rows a server sends, turned into the values a Jet file gives
// for the same data: texts and long texts, dates, whole numbers, Booleans, bytes.
#include <vector>

#include "db/base/columns.h"
#include "text/value.h"
#include "db/odbc/connection_string.h"
#include "db/odbc/handle.h"

namespace scandrel::db::odbc {

// The column as `schema` shows it, from the server's description of it.
ColumnInfo columnInfo(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits);

// Reads one column of a statement's rows: bound to an array of a rowset's values
// (SQLBindCol), else a cell at a time with SQLGetData, in pieces for long values.
// Texts come as UTF-16, or, from a driver that sends the server's UTF-8 as it is
// (TextEncoding::Utf8), as UTF-8 converted here once.

class CellReader {
public:
    CellReader(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType, TextEncoding encoding);

    // Whether the column can be bound: numbers, dates, Booleans, texts and memos (a
    // memo into room for kMemoBoundUnits, longer ones read again with read()).
    bool bindable(const ColumnInfo& info) const;
    // Binds the column to arrays of `rows` values, with their lengths, in `room`: at
    // least rows * bytesPerRow(info) bytes aligned for an SQLLEN, which stay the
    // reader's until the statement is dropped. Only when bindable.
    void bind(const ColumnInfo& info, size_t rows, unsigned char* room);
    size_t bytesPerRow(const ColumnInfo& info) const;
    bool bound() const { return buffer_ != nullptr; }

    // The value at the statement's current row, whole, with SQLGetData.
    Value read();
    // Bound: the value at row `row` of the rowset fetched last; true in `cut` when
    // the driver had no room for all of it (then read it with read()).
    Value at(size_t row, bool& cut) const;

    // Units (UTF-16 or UTF-8) of a memo's value bound per row.
    static constexpr size_t kMemoBoundUnits = 4096;

    // How a column's values are read, by the type the server gives it.
    enum class Kind : uint8_t { Text, Boolean, Byte, Integer, Long, BigInt, Single, Double, Date, Binary };

private:
    const Handle* statement_;
    SQLUSMALLINT column_;
    Kind kind_;
    TextEncoding encoding_;
    // Bound: `rows` lengths, then `rows` values of width_ bytes, in the room given.
    const SQLLEN* indicators_ = nullptr;
    const unsigned char* buffer_ = nullptr;
    size_t width_ = 0;
};

}  // namespace scandrel::db::odbc
