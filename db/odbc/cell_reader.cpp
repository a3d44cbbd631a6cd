#include "db/odbc/cell_reader.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <optional>

#include "text/date.h"
#include "text/utf.h"

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

CellReader::CellReader(const Handle& statement, SQLUSMALLINT column, SQLSMALLINT sqlType, TextEncoding encoding)
    : statement_(&statement), column_(column), encoding_(encoding) {
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

// The C type and size a value of fixed size is read as, and its Value.
struct Fixed {
    SQLSMALLINT cType;
    size_t size;
};

constexpr Fixed kBoolean{SQL_C_BIT, sizeof(unsigned char)};
constexpr Fixed kByte{SQL_C_UTINYINT, sizeof(unsigned char)};
constexpr Fixed kInteger{SQL_C_SSHORT, sizeof(SQLSMALLINT)};
constexpr Fixed kLong{SQL_C_SLONG, sizeof(SQLINTEGER)};
constexpr Fixed kBigInt{SQL_C_SBIGINT, sizeof(SQLBIGINT)};
constexpr Fixed kSingle{SQL_C_FLOAT, sizeof(SQLREAL)};
constexpr Fixed kDouble{SQL_C_DOUBLE, sizeof(SQLDOUBLE)};
constexpr Fixed kDate{SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
constexpr size_t kMostFixed = sizeof(SQL_TIMESTAMP_STRUCT);

template <class T>
T load(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

Value dateValue(const SQL_TIMESTAMP_STRUCT& t) {
    text::DateTime dt;
    dt.year = t.year;
    dt.month = t.month;
    dt.day = t.day;
    dt.hour = t.hour;
    dt.minute = t.minute;
    dt.second = t.second;
    return Value::date(text::serialFromDateTime(dt));
}

Value bigIntValue(SQLBIGINT n) {
    // Whole numbers that fit are the record numbers the search asks with.
    if (n >= INT32_MIN && n <= INT32_MAX) return Value::longValue(static_cast<int32_t>(n));
    return Value::doubleValue(static_cast<double>(n));
}

// Texts of a Jet text column's length at most are bound; longer ones are memos there.
constexpr size_t kMostBoundCharacters = 255;

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

namespace {

// The C type and size of a fixed kind; nothing for texts and binaries.
std::optional<Fixed> fixedOf(CellReader::Kind kind) {
    using Kind = CellReader::Kind;
    switch (kind) {
        case Kind::Boolean: return kBoolean;
        case Kind::Byte: return kByte;
        case Kind::Integer: return kInteger;
        case Kind::Long: return kLong;
        case Kind::BigInt: return kBigInt;
        case Kind::Single: return kSingle;
        case Kind::Double: return kDouble;
        case Kind::Date: return kDate;
        default: return std::nullopt;
    }
}

// The Value of a fixed kind's bytes as the driver wrote them.
Value fixedValue(CellReader::Kind kind, const unsigned char* bytes) {
    using Kind = CellReader::Kind;
    switch (kind) {
        case Kind::Boolean: return Value::boolean(load<unsigned char>(bytes) != 0);
        case Kind::Byte: return Value::byte(load<unsigned char>(bytes));
        case Kind::Integer: return Value::integer(load<SQLSMALLINT>(bytes));
        case Kind::Long: return Value::longValue(load<SQLINTEGER>(bytes));
        case Kind::BigInt: return bigIntValue(load<SQLBIGINT>(bytes));
        case Kind::Single: return Value::single(load<SQLREAL>(bytes));
        case Kind::Double: return Value::doubleValue(load<SQLDOUBLE>(bytes));
        case Kind::Date: return dateValue(load<SQL_TIMESTAMP_STRUCT>(bytes));
        default: return Value::null();
    }
}

}  // namespace

namespace {

// The bytes a text column's value is bound in: room for every character as a
// surrogate pair (four bytes of UTF-8), or kMemoBoundUnits for a memo, and the
// terminating null.
size_t textWidth(const ColumnInfo& info, TextEncoding encoding) {
    const bool utf8 = encoding == TextEncoding::Utf8;
    if (info.type == ColumnType::Text && info.characters > 0 && info.characters <= kMostBoundCharacters)
        return utf8 ? size_t{info.characters} * 4 + 1 : (size_t{info.characters} * 2 + 1) * sizeof(char16_t);
    return (CellReader::kMemoBoundUnits + 1) * (utf8 ? 1 : sizeof(char16_t));
}

}  // namespace

bool CellReader::bindable(const ColumnInfo&) const { return kind_ == Kind::Text || fixedOf(kind_).has_value(); }

size_t CellReader::bytesPerRow(const ColumnInfo& info) const {
    return (kind_ == Kind::Text ? textWidth(info, encoding_) : kMostFixed) + sizeof(SQLLEN);
}

void CellReader::bind(const ColumnInfo& info, size_t rows, unsigned char* room) {
    SQLSMALLINT cType = encoding_ == TextEncoding::Utf8 ? SQL_C_CHAR : SQL_C_WCHAR;
    if (kind_ == Kind::Text) {
        width_ = textWidth(info, encoding_);
    } else {
        const Fixed fixed = *fixedOf(kind_);
        cType = fixed.cType;
        width_ = fixed.size;
    }
    assert(width_ + sizeof(SQLLEN) <= bytesPerRow(info));
    auto* const lengths = reinterpret_cast<SQLLEN*>(room);
    unsigned char* const values = room + rows * sizeof(SQLLEN);
    indicators_ = lengths;
    buffer_ = values;
    statement_->check(SQLBindCol(statement_->get(), column_, cType, values, static_cast<SQLLEN>(width_), lengths));
}

Value CellReader::at(size_t row, bool& cut) const {
    const SQLLEN indicator = indicators_[row];
    if (indicator == SQL_NULL_DATA) return Value::null();
    const unsigned char* bytes = buffer_ + row * width_;
    if (kind_ != Kind::Text) return fixedValue(kind_, bytes);
    if (encoding_ == TextEncoding::Utf8) {
        // Bytes as counted; a count past the room means the value was cut.
        if (indicator == SQL_NO_TOTAL || static_cast<size_t>(indicator) >= width_) {
            cut = true;
            return Value::null();
        }
        return Value::text(
            fromUtf8(std::string_view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(indicator))));
    }
    const size_t capacity = width_ / sizeof(char16_t);
    // Up to the terminator: MariaDB's driver may count a text's length short.
    size_t units = 0;
    while (units < capacity && load<char16_t>(bytes + units * sizeof(char16_t)) != u'\0') ++units;
    if (indicator == SQL_NO_TOTAL || units + 1 >= capacity ||
        static_cast<size_t>(indicator) >= (capacity - 1) * sizeof(char16_t)) {
        cut = true;
        return Value::null();
    }
    // Exactly as long as the text: a scan of a large table holds many.
    std::u16string text(units, u'\0');
    std::memcpy(text.data(), bytes, units * sizeof(char16_t));
    return Value::text(std::move(text));
}

Value CellReader::read() {
    const Handle& s = *statement_;
    switch (kind_) {
        case Kind::Text: {
            if (encoding_ == TextEncoding::Utf8) {
                std::string utf8;
                const bool given = longValue<char>(s, column_, SQL_C_CHAR,
                                                   [&](const char* units, size_t n) { utf8.append(units, n); });
                return given ? Value::text(fromUtf8(utf8)) : Value::null();
            }
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
        default: {
            const Fixed fixed = *fixedOf(kind_);
            alignas(8) unsigned char bytes[kMostFixed] = {};
            SQLLEN indicator = 0;
            s.check(SQLGetData(s.get(), column_, fixed.cType, bytes, static_cast<SQLLEN>(fixed.size), &indicator));
            return indicator == SQL_NULL_DATA ? Value::null() : fixedValue(kind_, bytes);
        }
    }
}

}  // namespace scandrel::db::odbc
