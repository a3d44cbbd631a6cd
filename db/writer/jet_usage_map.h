#pragma once
// Which pages hold a table's rows. A map is one 69-byte row: either the bitmap
// itself (type 0: first page, then 512 bits) or, for tables spread over more
// pages, pointers to map pages (type 1: up to 17 pages of 32736 bits each,
// the n-th covering pages from n x 32736).
#include <cstdint>
#include <utility>
#include <vector>

#include "db/writer/jet_bytes.h"

namespace scandrel::db::writer {

struct UsageMap {
    Bytes row;
    std::vector<std::pair<uint32_t, Bytes>> mapPages;  // page number, contents
};

// pages ascending; map pages, when needed, are numbered from nextPage on.
UsageMap buildUsageMap(const std::vector<uint32_t>& pages, uint32_t& nextPage);

}  // namespace scandrel::db::writer
