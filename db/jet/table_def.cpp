#include "db/jet/table_def.h"

#include <algorithm>
#include <unordered_set>

#include "db/base/names.h"
#include "db/jet/text_decode.h"

namespace scandrel::db::jet {
namespace {

constexpr uint8_t kTdefPageType = 0x02;
constexpr uint8_t kFixedFlag = 0x01;
// Second flags byte of an ACE column: either bit marks a calculated column.
constexpr size_t kExtraFlagsAt = 16;
constexpr uint8_t kCalculatedFlags = 0xC0;
constexpr size_t kMaxDefinitionPages = 256;

ColumnType columnTypeOf(uint8_t code) {
    switch (code) {
        case type_code::kBoolean: return ColumnType::Boolean;
        case type_code::kByte: return ColumnType::Byte;
        case type_code::kInteger: return ColumnType::Integer;
        case type_code::kLong: return ColumnType::Long;
        case type_code::kCurrency: return ColumnType::Currency;
        case type_code::kSingle: return ColumnType::Single;
        case type_code::kDouble: return ColumnType::Double;
        case type_code::kDateTime: return ColumnType::DateTime;
        case type_code::kBinary: return ColumnType::Binary;
        case type_code::kText: return ColumnType::Text;
        case type_code::kOle: return ColumnType::Ole;
        case type_code::kMemo: return ColumnType::Memo;
        case type_code::kGuid: return ColumnType::Guid;
        case type_code::kNumeric: return ColumnType::Numeric;
        case type_code::kComplex: return ColumnType::Complex;
        case type_code::kBigInt: return ColumnType::BigInt;
        default: return ColumnType::Unknown;
    }
}

// Bytes a value of a fixed-size type takes; 0 for the variable ones.
uint16_t naturalSize(uint8_t code, uint16_t declared) {
    switch (code) {
        case type_code::kBoolean: return 0;
        case type_code::kByte: return 1;
        case type_code::kInteger: return 2;
        case type_code::kLong:
        case type_code::kSingle:
        case type_code::kComplex: return 4;
        case type_code::kCurrency:
        case type_code::kDouble:
        case type_code::kDateTime:
        case type_code::kBigInt: return 8;
        case type_code::kGuid: return 16;
        case type_code::kNumeric: return 17;
        default: return declared;
    }
}

// The definition can run over several pages; their contents after the 8-byte
// header are joined into one block.
std::vector<uint8_t> definitionBytes(PageCache& pages, uint32_t first) {
    std::vector<uint8_t> bytes;
    std::unordered_set<uint32_t> seen;
    uint32_t current = first;
    while (current != 0) {
        if (!seen.insert(current).second || seen.size() > kMaxDefinitionPages) corrupt();
        const PagePtr page = pages.page(current);
        const Bytes b(page->data(), page->size());
        if (b.u8(0) != kTdefPageType) corrupt();
        if (bytes.empty())
            bytes.insert(bytes.end(), page->begin(), page->end());
        else
            bytes.insert(bytes.end(), page->begin() + 8, page->end());
        current = b.u32(4);
    }
    return bytes;
}

}  // namespace

int TableDef::find(std::u16string_view name) const {
    const std::u16string folded = foldName(name);
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].foldedName == folded) return static_cast<int>(i);
    return -1;
}

TableDef readTableDef(PageCache& pages, const Format& format, uint32_t page) {
    const std::vector<uint8_t> block = definitionBytes(pages, page);
    const Bytes b(block.data(), block.size());

    TableDef def;
    def.tdefPage = page;
    const uint16_t columnCount = b.u16(format.tdefColumnCount());
    const uint32_t realIndexCount = b.u32(format.tdefRealIndexCount());
    if (realIndexCount > 1000) corrupt();
    def.usageMap = b.u32(format.tdefUsedPages());

    size_t at = format.tdefIndexEntries() + static_cast<size_t>(realIndexCount) * format.realIndexSize();
    const size_t columnsAt = at;
    at += static_cast<size_t>(columnCount) * format.columnSize();
    b.slice(columnsAt, at - columnsAt);  // all column entries must be there

    def.columns.resize(columnCount);
    for (size_t i = 0; i < columnCount; ++i) {
        const Bytes entry = b.slice(columnsAt + i * format.columnSize(), format.columnSize());
        JetColumn& column = def.columns[i];
        column.code = entry.u8(0);
        uint8_t flags = 0;
        uint16_t declared = 0;
        if (format.jet3()) {
            column.number = entry.u16(1);
            column.varIndex = entry.u16(3);
            column.info.precision = entry.u8(9);
            column.info.scale = entry.u8(10);
            flags = entry.u8(13);
            column.fixedOffset = entry.u16(14);
            declared = entry.u16(16);
        } else {
            column.number = entry.u16(5);
            column.varIndex = entry.u16(7);
            column.info.precision = entry.u8(11);
            column.info.scale = entry.u8(12);
            flags = entry.u8(15);
            column.fixedOffset = entry.u16(21);
            declared = entry.u16(23);
            column.calculated =
                format.generation == Generation::Ace && (entry.u8(kExtraFlagsAt) & kCalculatedFlags) != 0;
        }
        column.fixed = (flags & kFixedFlag) != 0;
        column.info.type = columnTypeOf(column.code);
        column.info.size = declared;
        if (column.info.type == ColumnType::Text) {
            column.info.characters = format.jet3() ? declared : static_cast<uint16_t>(declared / 2);
        }
        column.info.fixedLength = column.fixed;
        if (column.code != type_code::kNumeric) column.info.precision = column.info.scale = 0;
        // A calculated value takes its header's room too, wherever it is kept.
        column.fixedSize = column.calculated ? declared : naturalSize(column.code, declared);
    }
    for (JetColumn& column : def.columns) {
        if (format.jet3()) {
            const uint8_t length = b.u8(at);
            const Bytes name = b.slice(at + 1, length);
            column.info.name = decodeCp1252(name);
            at += 1 + static_cast<size_t>(length);
        } else {
            const uint16_t length = b.u16(at);
            const Bytes name = b.slice(at + 2, length);
            column.info.name = decodeUcs2(name);
            at += 2 + static_cast<size_t>(length);
        }
        column.foldedName = foldName(column.info.name);
    }
    std::stable_sort(def.columns.begin(), def.columns.end(),
                     [](const JetColumn& x, const JetColumn& y) { return x.number < y.number; });
    for (const JetColumn& column : def.columns) def.infos.push_back(column.info);
    return def;
}

}  // namespace scandrel::db::jet
