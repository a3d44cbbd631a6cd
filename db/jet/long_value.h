#pragma once
// Memo and OLE values: kept in the row itself, in one row of a long-value page, or
// spread over a chain of long-value pages.
#include <vector>

#include "db/jet/format.h"
#include "db/jet/page_cache.h"

namespace scandrel::db::jet {

// The whole value described by a field's 12-byte header (and what follows it).
std::vector<uint8_t> readLongValue(PageCache& pages, const Format& format, Bytes field);
// The same appended to `out`.
void appendLongValue(PageCache& pages, const Format& format, Bytes field, std::vector<uint8_t>& out);

// Where a long value's data lies outside its row: the first row holding it (page << 8
// | row), or 0 when the data is in the field itself. `chain` tells whether more rows
// follow the first.
uint32_t longValueStart(Bytes field, bool& chain);

// The row after `pointer` in a long value's chain, from the page at hand; 0 at the
// chain's end, or when the page is not at hand (`missing` then true).
uint32_t nextInChainAtHand(const PageCache& pages, const Format& format, uint32_t pointer, bool& missing);

}  // namespace scandrel::db::jet
