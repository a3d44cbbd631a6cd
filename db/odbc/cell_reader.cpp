#include "db/odbc/cell_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "text/date.h"

namespace scandrel::db::odbc {
ColumnInfo columnInfo(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits) {
    ColumnInfo info;
    const auto bytes = [](SQLULEN n) { return static_cast<uint16_t>(std::min<SQLULEN>(n, 0xFFFF)); };
    switch (sqlType) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            // Texts longer than a Jet text column are memos there.
            if (size == 0 || size > 255) {
                info.type = ColumnType::Memo;
            } else {
                info.type = ColumnType::Text;
                info.size = bytes(size * 2);
                info.characters = bytes(size);
                info.fixedLength = sqlType == SQL_CHAR || sqlType == SQL_WCHAR;
            }
            break;
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR: info.type = ColumnType::Memo; break;
        case SQL_BIT: info.type = ColumnType::Boolean; info.size = 1; break;
        case SQL_TINYINT: info.type = ColumnType::Byte; info.size = 1; break;
        case SQL_SMALLINT: info.type = ColumnType::Integer; info.size = 2; break;
        case SQL_INTEGER: info.type = ColumnType::Long; info.size = 4; break;
        case SQL_BIGINT: info.type = ColumnType::BigInt; info.size = 8; break;
        case SQL_REAL: info.type = ColumnType::Single; info.size = 4; break;
        case SQL_FLOAT:
        case SQL_DOUBLE: info.type = ColumnType::Double; info.size = 8; break;
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            // Read as a double: the search does not put them in its text.
            info.type = ColumnType::Double;
            info.size = 8;
            info.precision = static_cast<uint8_t>(std::min<SQLULEN>(size, 255));
            info.scale = static_cast<uint8_t>(std::max<SQLSMALLINT>(digits, 0));
            break;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIMESTAMP: info.type = ColumnType::DateTime; info.size = 8; break;
        case SQL_BINARY:
        case SQL_VARBINARY: info.type = ColumnType::Binary; info.size = bytes(size); break;
        case SQL_LONGVARBINARY: info.type = ColumnType::Ole; break;
        default: info.type = ColumnType::Text; break;  // read as its text
    }
    return info;
}

CellReader::CellReader(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType)
    : statement_(&statement), column_(column) {
    switch (columnInfo(sqlType, 0, 0).type) {
        case ColumnType::Boolean: kind_ = Kind::Boolean; break;
        case ColumnType::Byte: kind_ = Kind::Byte; break;
        case ColumnType::Integer: kind_ = Kind::Integer; break;
        case ColumnType::Long: kind_ = Kind::Long; break;
        case ColumnType::BigInt: kind_ = Kind::BigInt; break;
        case ColumnType::Single: kind_ = Kind::Single; break;
        case ColumnType::Double: kind_ = Kind::Double; break;
        case ColumnType::DateTime: kind_ = Kind::Date; break;
        case ColumnType::Binary:
        case ColumnType::Ole: kind_ = Kind::Binary; break;
        default: kind_ = Kind::Text; break;
    }
}

namespace {

// A value of fixed size, made into a Value by `make` unless it is null.
template <class T, class Make>
Value fixedValue(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT cType, Make&& make) {
    T n{};
    SQLLEN indicator = 0;
    statement.check(SQLGetData(statement.get(), column, cType, &n, sizeof n, &indicator));
    return indicator == SQL_NULL_DATA ? Value::null() : make(n);
}

// A value of any length, read a chunk at a time and given to `append(units, count)`;
// false for a null. Texts come with a terminating null after each chunk.
template <class Unit, class Append>
bool longValue(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT cType, Append&& append) {
    constexpr size_t kChunk = 2048;
    Unit chunk[kChunk + 1];
    const auto size = static_cast<SQLLEN>((kChunk + (cType == SQL_C_BINARY ? 0 : 1)) * sizeof(Unit));
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN got = SQLGetData(statement.get(), column, cType, chunk, size, &indicator);
        if (got == SQL_NO_DATA) break;
        statement.check(got);
        if (indicator == SQL_NULL_DATA) return false;
        // What this call gave: all that was left, or a full chunk when more follows.
        size_t left = indicator == SQL_NO_TOTAL ? kChunk : static_cast<size_t>(indicator) / sizeof(Unit);
        // MariaDB's driver counts a text's length in its own encoding's bytes, which
        // may be fewer units than it wrote: a text's last piece ends at its terminator.
        if (cType != SQL_C_BINARY && got == SQL_SUCCESS)
            left = static_cast<size_t>(std::find(chunk, chunk + kChunk, Unit{}) - chunk);
        append(chunk, std::min(left, kChunk));
        if (got == SQL_SUCCESS) break;
    }
    return true;
}

}  // namespace

Value CellReader::read() {
    const Handle& s = *statement_;
    switch (kind_) {
        case Kind::Text: {
            std::u16string text;
            const bool given = longValue<char16_t>(s, column_, SQL_C_WCHAR,
                                                   [&](const char16_t* units, size_t n) { text.append(units, n); });
            return given ? Value::text(std::move(text)) : Value::null();
        }
        case Kind::Binary: {
            std::vector<uint8_t> bytes;
            const bool given = longValue<uint8_t>(s, column_, SQL_C_BINARY, [&](const uint8_t* units, size_t n) {
                bytes.insert(bytes.end(), units, units + n);
            });
            return given ? Value::binary(std::move(bytes)) : Value::null();
        }
        case Kind::Boolean:
            return fixedValue<unsigned char>(s, column_, SQL_C_BIT, [](unsigned char b) { return Value::boolean(b != 0); });
        case Kind::Byte:
            return fixedValue<unsigned char>(s, column_, SQL_C_UTINYINT, [](unsigned char b) { return Value::byte(b); });
        case Kind::Integer:
            return fixedValue<SQLSMALLINT>(s, column_, SQL_C_SSHORT, [](SQLSMALLINT n) { return Value::integer(n); });
        case Kind::Long:
            return fixedValue<SQLINTEGER>(s, column_, SQL_C_SLONG, [](SQLINTEGER n) { return Value::longValue(n); });
        case Kind::BigInt:
            return fixedValue<SQLBIGINT>(s, column_, SQL_C_SBIGINT, [](SQLBIGINT n) {
                // Whole numbers that fit are the record numbers the search asks with.
                if (n >= INT32_MIN && n <= INT32_MAX) return Value::longValue(static_cast<int32_t>(n));
                return Value::doubleValue(static_cast<double>(n));
            });
        case Kind::Single:
            return fixedValue<SQLREAL>(s, column_, SQL_C_FLOAT, [](SQLREAL n) { return Value::single(n); });
        case Kind::Double:
            return fixedValue<SQLDOUBLE>(s, column_, SQL_C_DOUBLE, [](SQLDOUBLE n) { return Value::doubleValue(n); });
        case Kind::Date:
            return fixedValue<SQL_TIMESTAMP_STRUCT>(s, column_, SQL_C_TYPE_TIMESTAMP, [](const SQL_TIMESTAMP_STRUCT& t) {
                text::DateTime dt;
                dt.year = t.year;
                dt.month = t.month;
                dt.day = t.day;
                dt.hour = t.hour;
                dt.minute = t.minute;
                dt.second = t.second;
                return Value::date(text::serialFromDateTime(dt));
            });
    }
    return Value::null();
}

}  // namespace scandrel::db::odbc
