#pragma once
// A table's definition as its definition pages give it: columns and where rows live.
#include <cstdint>
#include <string>
#include <vector>

#include "db/base/columns.h"
#include "db/jet/format.h"
#include "db/jet/page_cache.h"

namespace scandrel::db::jet {

// Column type codes of the file.
namespace type_code {
inline constexpr uint8_t kBoolean = 0x01, kByte = 0x02, kInteger = 0x03, kLong = 0x04, kCurrency = 0x05,
                         kSingle = 0x06, kDouble = 0x07, kDateTime = 0x08, kBinary = 0x09, kText = 0x0A,
                         kOle = 0x0B, kMemo = 0x0C, kGuid = 0x0F, kNumeric = 0x10, kComplex = 0x12,
                         kBigInt = 0x13;
}

struct JetColumn {
    ColumnInfo info;
    std::u16string foldedName;  // for lookups without regard to case
    uint8_t code = 0;           // type code of the file
    uint16_t number = 0;        // place in the row's null mask (deleted columns keep theirs)
    uint16_t varIndex = 0;      // entry in the row's variable-length offset table
    uint16_t fixedOffset = 0;   // start within the fixed-length part of the row
    bool fixed = false;
    uint16_t fixedSize = 0;     // bytes in the fixed-length part
    // A calculated column (ACE): each value is kept behind a header of its own, in
    // the column's type (see calculatedValue).
    bool calculated = false;
};

struct TableDef {
    uint32_t tdefPage = 0;
    std::vector<JetColumn> columns;  // in column-number order
    uint32_t usageMap = 0;           // row pointer (page << 8 | row) of the owned-pages map
    std::vector<ColumnInfo> infos;

    // Index of the column, by name without regard to case; -1 when there is none.
    int find(std::u16string_view name) const;
};

// Reads the definition starting at `page`; CorruptFile when it is not one.
TableDef readTableDef(PageCache& pages, const Format& format, uint32_t page);

}  // namespace scandrel::db::jet
