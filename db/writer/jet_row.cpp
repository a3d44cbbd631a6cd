#include "db/writer/jet_row.h"

#include <bit>
#include <cmath>

#include "db/writer/jet_text.h"
#include "db/writer/writer_errors.h"

namespace scandrel::db::writer {
namespace {

bool isInteger(Value::Kind k) {
    return k == Value::Kind::Byte || k == Value::Kind::Integer || k == Value::Kind::Long;
}

int64_t integerIn(const ColumnLayout& column, const Value& value, int64_t low, int64_t high) {
    if (!isInteger(value.kind())) throw typeMismatch(column.def.name);
    const int64_t v = value.asInteger();
    if (v < low || v > high) throw typeMismatch(column.def.name);
    return v;
}

Bytes littleEndian(uint64_t v, size_t size) {
    Bytes out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
    return out;
}

double realValue(const ColumnLayout& column, const Value& value, bool date) {
    const Value::Kind k = value.kind();
    double v = 0;
    if (k == Value::Kind::Double || k == Value::Kind::Single || k == Value::Kind::Date) {
        if (date && k != Value::Kind::Date && k != Value::Kind::Double) throw typeMismatch(column.def.name);
        v = value.asDouble();
    } else if (!date && isInteger(k)) {
        v = static_cast<double>(value.asInteger());
    } else {
        throw typeMismatch(column.def.name);
    }
    // Readers print NaN and infinities each their own way.
    if (!std::isfinite(v)) throw typeMismatch(column.def.name);
    return v;
}

}  // namespace

Cell encodeCell(const ColumnLayout& column, const Value& value) {
    const ColumnType type = column.def.type;
    if (value.isNull()) {
        if (type == ColumnType::Boolean) throw nullNotAllowed(column.def.name);
        return std::nullopt;
    }
    switch (type) {
        case ColumnType::Boolean:
            if (value.kind() != Value::Kind::Boolean) throw typeMismatch(column.def.name);
            return Bytes{static_cast<uint8_t>(value.asBoolean() ? 1 : 0)};
        case ColumnType::Byte:
            return littleEndian(static_cast<uint64_t>(integerIn(column, value, 0, 255)), 1);
        case ColumnType::Integer:
            return littleEndian(static_cast<uint64_t>(integerIn(column, value, INT16_MIN, INT16_MAX)), 2);
        case ColumnType::Long:
            return littleEndian(static_cast<uint64_t>(integerIn(column, value, INT32_MIN, INT32_MAX)), 4);
        case ColumnType::Double:
            return littleEndian(std::bit_cast<uint64_t>(realValue(column, value, false)), 8);
        case ColumnType::DateTime:
            return littleEndian(std::bit_cast<uint64_t>(realValue(column, value, true)), 8);
        case ColumnType::Text: {
            if (value.kind() != Value::Kind::Text) throw typeMismatch(column.def.name);
            const std::u16string& s = value.asText();
            checkStorableText(s, column.def.name);
            if (s.size() > column.def.textLength) throw textTooLong(column.def.name);
            return encodeJetText(s);
        }
        default:
            throw typeMismatch(column.def.name);
    }
}

size_t rowSize(const TableLayout& table, const std::vector<Cell>& cells) {
    size_t size = 2 + table.fixedSize;
    for (const ColumnLayout& c : table.columns) {
        if (!c.fixed && cells[c.number]) size += cells[c.number]->size();
    }
    if (table.varCount > 0) size += 2 + 2 * size_t{table.varCount} + 2;
    return size + (table.columns.size() + 7) / 8;
}

Bytes assembleRow(const TableLayout& table, const std::vector<Cell>& cells) {
    const size_t columnCount = table.columns.size();
    Bytes row;
    row.reserve(rowSize(table, cells));
    append16(row, static_cast<uint32_t>(columnCount));
    row.resize(2 + table.fixedSize, 0);
    Bytes mask((columnCount + 7) / 8, 0);
    std::vector<uint16_t> offsets(table.varCount);
    for (const ColumnLayout& c : table.columns) {
        const Cell& cell = cells[c.number];
        bool bit = cell.has_value();
        if (c.def.type == ColumnType::Boolean) {
            bit = cell && (*cell)[0] != 0;
        } else if (c.fixed) {
            if (cell) std::copy(cell->begin(), cell->end(), row.begin() + 2 + c.fixedOffset);
        } else {
            offsets[c.varIndex] = static_cast<uint16_t>(row.size());
            if (cell) row.insert(row.end(), cell->begin(), cell->end());
        }
        if (bit) mask[c.number / 8] = static_cast<uint8_t>(mask[c.number / 8] | (1u << (c.number % 8)));
    }
    if (table.varCount > 0) {
        append16(row, static_cast<uint32_t>(row.size()));
        for (size_t i = offsets.size(); i-- > 0;) append16(row, offsets[i]);
        append16(row, table.varCount);
    }
    row.insert(row.end(), mask.begin(), mask.end());
    return row;
}

}  // namespace scandrel::db::writer
