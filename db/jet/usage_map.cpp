#include "db/jet/usage_map.h"

#include "db/jet/errors.h"
#include "db/jet/row.h"

namespace scandrel::db::jet {
namespace {

constexpr uint8_t kInlineMap = 0x00;
constexpr uint8_t kReferenceMap = 0x01;
constexpr uint8_t kMapPageType = 0x05;
constexpr size_t kMapPageHeader = 4;

void addBits(Bytes bitmap, uint64_t firstPage, uint32_t pageCount, std::vector<uint32_t>& out) {
    for (size_t i = 0; i < bitmap.size(); ++i) {
        const uint8_t byte = bitmap.data()[i];
        if (byte == 0) continue;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (!(byte >> bit & 1)) continue;
            const uint64_t page = firstPage + i * 8 + bit;
            // A table's pages past the end: a copy cut short, or a map written over.
            if (page >= pageCount) corrupt();
            out.push_back(static_cast<uint32_t>(page));
        }
    }
}

}  // namespace

std::vector<uint32_t> mappedPages(PageCache& pages, const Format& format, uint32_t map) {
    // The host adds pages to its tables as it works: the maps are read as they are
    // now, and so is the file's size.
    pages.refreshPageCount();
    const PagePtr holder = pages.freshPage(map >> 8);
    const Bytes row = slotBytes(*holder, format, static_cast<uint16_t>(map & 0xFF));
    std::vector<uint32_t> out;
    const uint8_t type = row.u8(0);
    if (type == kInlineMap) {
        const uint32_t first = row.u32(1);
        addBits(row.slice(5, row.size() - 5), first, pages.pageCount(), out);
    } else if (type == kReferenceMap) {
        const uint64_t perPage = static_cast<uint64_t>(format.pageSize - kMapPageHeader) * 8;
        for (size_t i = 0; 1 + 4 * (i + 1) <= row.size(); ++i) {
            const uint32_t mapPage = row.u32(1 + 4 * i);
            if (mapPage == 0) continue;
            const uint64_t first = i * perPage;
            if (first >= pages.pageCount()) break;
            const PagePtr bitmapPage = pages.freshPage(mapPage);
            if ((*bitmapPage)[0] != kMapPageType) corrupt();
            addBits(Bytes(bitmapPage->data() + kMapPageHeader, bitmapPage->size() - kMapPageHeader), first,
                    pages.pageCount(), out);
        }
    } else {
        corrupt();
    }
    return out;
}

}  // namespace scandrel::db::jet
