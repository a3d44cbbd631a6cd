#pragma once
// What a table's columns are, as the engine reports them for a Jet file's tables and
// for a linked table's alike: name, type and size. Plain values, any thread.
#include <cstdint>
#include <string>

namespace scandrel::db {

enum class ColumnType : uint8_t {
    Boolean, Byte, Integer, Long, Currency, Single, Double, DateTime, Binary, Text,
    Ole, Memo, Guid, Numeric, Complex, BigInt, Unknown
};

struct ColumnInfo {
    std::u16string name;
    ColumnType type = ColumnType::Unknown;
    uint16_t size = 0;       // bytes as stored (text: characters x 2 in Jet 4, x 1 in Jet 3)
    uint16_t characters = 0; // text columns: the length the host's users know, in characters
    bool fixedLength = false;
    uint8_t precision = 0;   // numeric columns
    uint8_t scale = 0;
};

// Name of a column type as `schema` prints it ("Text", "Long Integer", ...).
std::u16string columnTypeName(ColumnType type);

// Whether WHERE column = number may ask for the column: not for texts, memos,
// bytes and replication ids (the engine's 3464).
bool comparableWithNumber(ColumnType type);

}  // namespace scandrel::db
