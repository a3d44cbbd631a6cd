#pragma once
// Memo and OLE values: kept in the row itself, in one row of a long-value page, or
// spread over a chain of long-value pages.
#include <vector>

#include "db/jet/format.h"
#include "db/jet/page_cache.h"

namespace scandrel::db::jet {

// The whole value described by a field's 12-byte header (and what follows it).
std::vector<uint8_t> readLongValue(PageCache& pages, const Format& format, Bytes field);

}  // namespace scandrel::db::jet
