#include "db/writer/jet_usage_map.h"

#include "db/writer/writer_errors.h"

namespace scandrel::db::writer {
namespace {

constexpr size_t kMapRow = 69;
constexpr uint32_t kInlineBits = (kMapRow - 5) * 8;
constexpr uint32_t kPageBits = (kPageSize - 4) * 8;
constexpr uint32_t kMaxMapPages = (kMapRow - 1) / 4;

}  // namespace

UsageMap buildUsageMap(const std::vector<uint32_t>& pages, uint32_t& nextPage) {
    UsageMap map;
    map.row.assign(kMapRow, 0);
    if (pages.empty() || pages.back() - pages.front() < kInlineBits) {
        const uint32_t start = pages.empty() ? 0 : pages.front();
        put32(&map.row[1], start);
        for (uint32_t p : pages) {
            const uint32_t bit = p - start;
            map.row[5 + bit / 8] = static_cast<uint8_t>(map.row[5 + bit / 8] | (1u << (bit % 8)));
        }
        return map;
    }
    map.row[0] = 0x01;
    for (uint32_t p : pages) {
        const uint32_t slot = p / kPageBits;
        if (slot >= kMaxMapPages) throw fileTooLarge();
        if (map.mapPages.empty() || map.mapPages.back().first != slot) {
            Bytes page(kPageSize, 0);
            page[0] = 0x05;
            page[1] = 0x01;
            map.mapPages.emplace_back(slot, std::move(page));
        }
        const uint32_t bit = p % kPageBits;
        Bytes& bits = map.mapPages.back().second;
        bits[4 + bit / 8] = static_cast<uint8_t>(bits[4 + bit / 8] | (1u << (bit % 8)));
    }
    // Slots were collected in order; now give each its own page.
    for (auto& [slot, page] : map.mapPages) {
        put32(&map.row[1 + 4 * slot], nextPage);
        slot = nextPage++;
    }
    return map;
}

}  // namespace scandrel::db::writer
