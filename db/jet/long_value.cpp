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
    const uint32_t length = field.u32(0) & kLengthMask;
    const uint8_t kind = field.u8(3);
    std::vector<uint8_t> out;
    if (kind & kInline) {
        const Bytes data = field.slice(kHeaderSize, std::min<size_t>(length, field.size() - kHeaderSize));
        out.assign(data.data(), data.data() + data.size());
        return out;
    }
    uint32_t pointer = field.u32(4);
    if (kind & kSingleRow) {
        const PagePtr page = pages.passingPage(pointer >> 8);
        const Bytes data = longValueRow(*page, format, static_cast<uint16_t>(pointer & 0xFF));
        out.assign(data.data(), data.data() + std::min<size_t>(length, data.size()));
        return out;
    }
    // A chain: each row starts with the pointer to the next one. A row met a second
    // time means the chain loops.
    std::unordered_set<uint32_t> visited;
    while (pointer != 0 && out.size() < length) {
        if (!visited.insert(pointer).second) corrupt();
        const PagePtr page = pages.passingPage(pointer >> 8);
        const Bytes row = longValueRow(*page, format, static_cast<uint16_t>(pointer & 0xFF));
        pointer = row.u32(0);
        const size_t take = std::min<size_t>(row.size() - 4, length - out.size());
        out.insert(out.end(), row.data() + 4, row.data() + 4 + take);
    }
    return out;
}

}  // namespace scandrel::db::jet
