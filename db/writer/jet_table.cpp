#include "db/writer/jet_table.h"

#include "db/writer/writer_errors.h"
#include "text/lower_case.h"

namespace scandrel::db::writer {
namespace {

constexpr size_t kMaxColumns = 255;
constexpr size_t kMaxNameLength = 64;
constexpr size_t kTableHeader = 63;   // page header and table block
constexpr size_t kColumnEntry = 25;
constexpr uint16_t kGeneralSortOrder = 0x0409;
constexpr uint32_t kFormatStamp = 0x0659;
constexpr uint8_t kFlagFixed = 0x01;
constexpr uint8_t kFlagNullable = 0x02;
constexpr uint8_t kFlagCompressedUnicode = 0x01;

struct TypeInfo {
    uint8_t code;
    bool fixed;
    uint16_t length;
};

bool typeInfo(ColumnType type, bool system, TypeInfo& info) {
    switch (type) {
        case ColumnType::Boolean: info = {0x01, true, 1}; return true;
        case ColumnType::Byte: info = {0x02, true, 1}; return true;
        case ColumnType::Integer: info = {0x03, true, 2}; return true;
        case ColumnType::Long: info = {0x04, true, 4}; return true;
        case ColumnType::Double: info = {0x07, true, 8}; return true;
        case ColumnType::DateTime: info = {0x08, true, 8}; return true;
        case ColumnType::Text: info = {0x0A, false, 0}; return true;
        case ColumnType::Memo: info = {0x0C, false, 0}; return true;
        case ColumnType::Binary: info = {0x09, false, 510}; return system;
        case ColumnType::Ole: info = {0x0B, false, 0}; return system;
        default: return false;
    }
}

void checkName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) throw invalidDefinition(name);
    for (char16_t c : name) {
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']') {
            throw invalidDefinition(name);
        }
    }
}

}  // namespace

bool sameName(std::u16string_view a, std::u16string_view b) {
    return text::toLower(a) == text::toLower(b);
}

TableLayout layoutTable(const TableDef& table, bool system) {
    checkName(table.name);
    if (table.columns.empty()) throw invalidDefinition(table.name);
    if (table.columns.size() > kMaxColumns) throw tooManyColumns(table.name);
    TableLayout layout;
    layout.name = table.name;
    layout.system = system;
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const ColumnDef& def = table.columns[i];
        checkName(def.name);
        for (size_t j = 0; j < i; ++j) {
            if (sameName(table.columns[j].name, def.name)) throw invalidDefinition(def.name);
        }
        TypeInfo info{};
        if (!typeInfo(def.type, system, info)) throw invalidDefinition(def.name);
        ColumnLayout column;
        column.def = def;
        column.jetType = info.code;
        column.fixed = info.fixed;
        column.number = static_cast<uint16_t>(i);
        column.storedLength = info.length;
        if (def.type == ColumnType::Text) {
            if (def.textLength < 1 || def.textLength > 255) throw invalidDefinition(def.name);
            column.storedLength = static_cast<uint16_t>(def.textLength * 2);
        }
        if (column.fixed) {
            column.fixedOffset = layout.fixedSize;
            // Booleans live in the null mask and take no room in the fixed area.
            if (def.type != ColumnType::Boolean) layout.fixedSize = static_cast<uint16_t>(layout.fixedSize + info.length);
        } else {
            column.varIndex = layout.varCount++;
        }
        layout.columns.push_back(std::move(column));
    }
    return layout;
}

Bytes tableDefinitionPage(const TableLayout& table, uint32_t rowCount,
                          uint32_t usedPagesMap, uint32_t freePagesMap) {
    Bytes page(kPageSize, 0);
    page[0] = 0x02;
    page[1] = 0x01;
    put32(&page[12], kFormatStamp);
    put32(&page[16], rowCount);
    page[24] = 0x01;
    page[40] = table.system ? 0x53 : 0x4E;
    const auto columnCount = static_cast<uint16_t>(table.columns.size());
    put16(&page[41], columnCount);
    put16(&page[43], table.varCount);
    put16(&page[45], columnCount);
    put32(&page[55], usedPagesMap);
    put32(&page[59], freePagesMap);

    size_t at = kTableHeader;
    auto room = [&](size_t n) {
        if (at + n > kPageSize) throw tooManyColumns(table.name);
    };
    for (const ColumnLayout& c : table.columns) {
        room(kColumnEntry);
        uint8_t* e = &page[at];
        e[0] = c.jetType;
        put32(e + 1, kFormatStamp);
        put16(e + 5, c.number);
        put16(e + 7, c.varIndex);
        put16(e + 9, c.number);
        put16(e + 11, kGeneralSortOrder);
        e[15] = static_cast<uint8_t>(kFlagNullable | (c.fixed ? kFlagFixed : 0));
        const bool textual = c.def.type == ColumnType::Text || c.def.type == ColumnType::Memo;
        e[16] = textual ? kFlagCompressedUnicode : 0;
        put16(e + 21, c.fixedOffset);
        put16(e + 23, c.storedLength);
        at += kColumnEntry;
    }
    for (const ColumnLayout& c : table.columns) {
        const size_t bytes = c.def.name.size() * 2;
        room(2 + bytes);
        put16(&page[at], static_cast<uint32_t>(bytes));
        at += 2;
        for (char16_t ch : c.def.name) {
            put16(&page[at], ch);
            at += 2;
        }
    }
    // End of the (empty) list of per-column page maps.
    room(10);
    put16(&page[at], 0xFFFF);
    at += 10;
    put16(&page[2], static_cast<uint32_t>(kPageSize - at));
    put32(&page[8], static_cast<uint32_t>(at - 8));
    return page;
}

}  // namespace scandrel::db::writer
