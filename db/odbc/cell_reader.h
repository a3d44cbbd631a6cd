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

// Reads one column of the current row of a statement.
class CellReader {
public:
    CellReader(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType);
    Value read();

private:
    enum class Kind : uint8_t { Text, Boolean, Byte, Integer, Long, BigInt, Single, Double, Date, Binary };

    const Handle* statement_;
    SQLUSMALLINT column_;
    Kind kind_;
};

}  // namespace scandrel::db::odbc
