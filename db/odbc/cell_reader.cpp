#include "db/odbc/cell_reader.h"

#include <cmath>
#include <cstring>

#include "text/date.h"

namespace scandrel::db::odbc {
namespace {

constexpr size_t kTextChunk = 2048;  // characters read at a time from a long text

}  // namespace

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

Value CellReader::read() {
    const SQLHSTMT statement = statement_->get();
    SQLLEN indicator = 0;
    const auto get = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
        statement_->check(SQLGetData(statement, column_, cType, target, size, &indicator));
        return indicator != SQL_NULL_DATA;
    };
    switch (kind_) {
        case Kind::Text: return readText();
        case Kind::Binary: return readBinary();
        case Kind::Boolean: {
            unsigned char bit = 0;
            return get(SQL_C_BIT, &bit, sizeof bit) ? Value::boolean(bit != 0) : Value::null();
        }
        case Kind::Byte: {
            unsigned char byte = 0;
            return get(SQL_C_UTINYINT, &byte, sizeof byte) ? Value::byte(byte) : Value::null();
        }
        case Kind::Integer: {
            SQLSMALLINT n = 0;
            return get(SQL_C_SSHORT, &n, sizeof n) ? Value::integer(n) : Value::null();
        }
        case Kind::Long: {
            SQLINTEGER n = 0;
            return get(SQL_C_SLONG, &n, sizeof n) ? Value::longValue(n) : Value::null();
        }
        case Kind::BigInt: {
            SQLBIGINT n = 0;
            if (!get(SQL_C_SBIGINT, &n, sizeof n)) return Value::null();
            // Whole numbers that fit are the record numbers the search asks with.
            if (n >= INT32_MIN && n <= INT32_MAX) return Value::longValue(static_cast<int32_t>(n));
            return Value::doubleValue(static_cast<double>(n));
        }
        case Kind::Single: {
            SQLREAL n = 0;
            return get(SQL_C_FLOAT, &n, sizeof n) ? Value::single(n) : Value::null();
        }
        case Kind::Double: {
            SQLDOUBLE n = 0;
            return get(SQL_C_DOUBLE, &n, sizeof n) ? Value::doubleValue(n) : Value::null();
        }
        case Kind::Date: {
            SQL_TIMESTAMP_STRUCT t{};
            if (!get(SQL_C_TYPE_TIMESTAMP, &t, sizeof t)) return Value::null();
            text::DateTime dt;
            dt.year = t.year;
            dt.month = t.month;
            dt.day = t.day;
            dt.hour = t.hour;
            dt.minute = t.minute;
            dt.second = t.second;
            return Value::date(text::serialFromDateTime(dt));
        }
    }
    return Value::null();
}

Value CellReader::readText() {
    std::u16string text;
    char16_t chunk[kTextChunk + 1];
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN got =
            SQLGetData(statement_->get(), column_, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
        if (got == SQL_NO_DATA) break;
        statement_->check(got);
        if (indicator == SQL_NULL_DATA) return Value::null();
        // What this call gave: all that was left, or a full chunk when more follows.
        const size_t left = indicator == SQL_NO_TOTAL ? kTextChunk : static_cast<size_t>(indicator) / sizeof(char16_t);
        text.append(chunk, std::min(left, kTextChunk));
        if (got == SQL_SUCCESS) break;
    }
    return Value::text(std::move(text));
}

Value CellReader::readBinary() {
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    while (true) {
        SQLLEN indicator = 0;
        const SQLRETURN got = SQLGetData(statement_->get(), column_, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
        if (got == SQL_NO_DATA) break;
        statement_->check(got);
        if (indicator == SQL_NULL_DATA) return Value::null();
        const size_t left = indicator == SQL_NO_TOTAL ? sizeof chunk : static_cast<size_t>(indicator);
        bytes.insert(bytes.end(), chunk, chunk + std::min(left, sizeof chunk));
        if (got == SQL_SUCCESS) break;
    }
    return Value::binary(std::move(bytes));
}

}  // namespace scandrel::db::odbc
