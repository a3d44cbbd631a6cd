#pragma once
// The map of the pages a table owns: either a bitmap held in the map's own row
// (type 0) or a list of bitmap pages (type 1).
#include <cstdint>
#include <vector>

#include "db/jet/format.h"
#include "db/jet/page_cache.h"

namespace scandrel::db::jet {

// Pages marked in the map whose row pointer (page << 8 | row) is `map`, ascending.
// CorruptFile when one lies past the end of the file: the table's rows are not all there.
std::vector<uint32_t> mappedPages(PageCache& pages, const Format& format, uint32_t map);

}  // namespace scandrel::db::jet
