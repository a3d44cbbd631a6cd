#pragma once
// Where each column of a table lives in a row, and the table-definition page
// that tells readers so.
#include <cstdint>
#include <string>
#include <vector>

#include "db/writer/jet_bytes.h"
#include "db/writer/jet_writer.h"

namespace scandrel::db::writer {

struct ColumnLayout {
    ColumnDef def;
    uint8_t jetType = 0;
    bool fixed = false;
    uint16_t number = 0;       // position in the table, from 0
    uint16_t fixedOffset = 0;  // fixed columns: bytes from the start of the fixed area
    uint16_t varIndex = 0;     // variable columns: entry in the row's offset table
    uint16_t storedLength = 0; // bytes; texts two per character, memos 0
};

struct TableLayout {
    std::u16string name;
    std::vector<ColumnLayout> columns;
    uint16_t fixedSize = 0;
    uint16_t varCount = 0;
    bool system = false;
};

// Checks names, types and sizes. System tables may also hold binary and OLE
// columns (always null here).
TableLayout layoutTable(const TableDef& table, bool system);

// The table's definition page; tooManyColumns when it does not fit one page.
Bytes tableDefinitionPage(const TableLayout& table, uint32_t rowCount,
                          uint32_t usedPagesMap, uint32_t freePagesMap);

// Case-insensitive name comparison as the engine does it for Latin letters.
bool sameName(std::u16string_view a, std::u16string_view b);

}  // namespace scandrel::db::writer
