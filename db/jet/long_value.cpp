#include "db/jet/long_value.h"

#include <unordered_set>

#include "db/jet/row.h"

namespace scandrel::db::jet {
namespace {

constexpr uint32_t kLengthMask = 0x3FFFFFFF;
constexpr uint8_t kInline = 0x80;
constexpr uint8_t kSingleRow = 0x40;
constexpr size_t kHeaderSize = 12;

Bytes longValueRow(const Page& page, const Format& format, uint16_t row) {
    if (page[0] != 0x01) corrupt();
    return slotBytes(page, format, row);
}

}  // namespace

uint32_t longValueStart(Bytes field, bool& chain) {
    const uint8_t kind = field.u8(3);
    chain = false;
    if (kind & kInline) return 0;
    chain = (kind & kSingleRow) == 0;
    return field.u32(4);
}

uint32_t nextInChainAtHand(const PageCache& pages, const Format& format, uint32_t pointer, bool& missing) {
    const PagePtr page = pages.peek(pointer >> 8);
    missing = !page;
    if (!page) return 0;
    return longValueRow(*page, format, static_cast<uint16_t>(pointer & 0xFF)).u32(0);
}

std::vector<uint8_t> readLongValue(PageCache& pages, const Format& format, Bytes field) {
    std::vector<uint8_t> out;
    appendLongValue(pages, format, field, out);
    return out;
}

void appendLongValue(PageCache& pages, const Format& format, Bytes field, std::vector<uint8_t>& out) {
    const uint32_t length = field.u32(0) & kLengthMask;
    const uint8_t kind = field.u8(3);
    if (kind & kInline) {
        const Bytes data = field.slice(kHeaderSize, std::min<size_t>(length, field.size() - kHeaderSize));
        out.insert(out.end(), data.data(), data.data() + data.size());
        return;
    }
    uint32_t pointer = field.u32(4);
    if (kind & kSingleRow) {
        const PagePtr page = pages.passingPage(pointer >> 8);
        const Bytes data = longValueRow(*page, format, static_cast<uint16_t>(pointer & 0xFF));
        out.insert(out.end(), data.data(), data.data() + std::min<size_t>(length, data.size()));
        return;
    }
    // A chain: each row starts with the pointer to the next one. A row met a second
    // time means the chain loops.
    std::unordered_set<uint32_t> visited;
    size_t taken = 0;
    while (pointer != 0 && taken < length) {
        if (!visited.insert(pointer).second) corrupt();
        const PagePtr page = pages.passingPage(pointer >> 8);
        const Bytes row = longValueRow(*page, format, static_cast<uint16_t>(pointer & 0xFF));
        pointer = row.u32(0);
        const size_t take = std::min<size_t>(row.size() - 4, length - taken);
        out.insert(out.end(), row.data() + 4, row.data() + 4 + take);
        taken += take;
    }
}

}  // namespace scandrel::db::jet
