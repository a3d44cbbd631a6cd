#pragma once
// Rows on data pages: where a row's bytes are and where each field lies within them.
#include <cstdint>
#include <optional>
#include <vector>

#include "db/jet/format.h"
#include "db/jet/page_cache.h"
#include "db/jet/table_def.h"

namespace scandrel::db::jet {

// A row as the table lists it: page number and slot on that page.
struct RowRef {
    uint32_t page = 0;
    uint16_t row = 0;
    bool operator==(const RowRef&) const = default;
};
using RowList = std::vector<RowRef>;

// The bytes of one row, kept alive with their page.
struct RowBytes {
    PagePtr page;
    Bytes bytes;
};

// The rows of a data page that are not deleted, in the order of their slots; a row
// moved to another page by an update keeps its slot here, which points at where its
// data now lies. Appends to `out`, and the places the moved rows now lie to `moved`:
// the table lists those rows in their first slots, never there. CorruptFile for a
// row table that doesn't fit the page.
void listRows(uint32_t number, const Page& page, const Format& format, std::vector<RowRef>& out,
              std::vector<RowRef>& moved);

// The bytes of a row, following the pointer of a row that was moved to another page.
RowBytes locateRow(PageCache& pages, const Format& format, RowRef ref);

// The same from pages at hand only, reading nothing: nothing when a page on the way
// is not at hand, and then `missing` is that page.
std::optional<RowBytes> locateRowAtHand(const PageCache& pages, const Format& format, RowRef ref,
                                        uint32_t& missing);

// The bytes of the slot itself, without following anything (long-value pages).
Bytes slotBytes(const Page& page, const Format& format, uint16_t row);

// Where a field lies in a row.
struct FieldSlice {
    enum class State : uint8_t { Null, False, True, Data } state = State::Null;
    Bytes data;
};
// A calculated column's value is the value proper (see calculatedValue), except for
// memo and OLE columns, whose long value holds it.
FieldSlice fieldSlice(Bytes row, const Format& format, const JetColumn& column);

// The value proper of a calculated column, as stored in the column's type: the
// stored bytes are a 16-byte header, the value's length in 4 bytes, then the value.
Bytes calculatedValue(Bytes stored);

}  // namespace scandrel::db::jet
