#include "db/jet/row.h"

#include <algorithm>

namespace scandrel::db::jet {
namespace {

constexpr uint16_t kDeletedFlag = 0x8000;
constexpr uint16_t kPointerFlag = 0x4000;
constexpr uint16_t kOffsetMask = 0x1FFF;
constexpr uint8_t kDataPageType = 0x01;
constexpr int kMaxPointerHops = 8;

struct Slot {
    uint16_t raw = 0;
    uint32_t start = 0;
    uint32_t end = 0;
};

Slot slotOf(const Page& page, const Format& format, uint16_t row) {
    const Bytes b(page.data(), page.size());
    const uint16_t count = b.u16(format.dataRowCount());
    if (row >= count) corrupt();
    Slot slot;
    slot.raw = b.u16(format.dataRowTable() + 2u * row);
    slot.start = slot.raw & kOffsetMask;
    slot.end = row == 0 ? static_cast<uint32_t>(page.size())
                        : static_cast<uint32_t>(b.u16(format.dataRowTable() + 2u * (row - 1)) & kOffsetMask);
    const uint32_t tableEnd = format.dataRowTable() + 2u * count;
    if (slot.start < tableEnd || slot.start > slot.end || slot.end > page.size()) corrupt();
    return slot;
}

}  // namespace

void listRows(uint32_t number, const Page& page, const Format& format, std::vector<RowRef>& out,
              std::vector<RowRef>& moved) {
    const Bytes b(page.data(), page.size());
    const uint16_t count = b.u16(format.dataRowCount());
    if (format.dataRowTable() + 2u * count > page.size()) corrupt();
    for (uint16_t row = 0; row < count; ++row) {
        const uint16_t raw = b.u16(format.dataRowTable() + 2u * row);
        if (raw & kDeletedFlag) continue;
        out.push_back(RowRef{number, row});
        // A pointer that doesn't fit the page is reported when the row is read.
        const uint32_t at = raw & kOffsetMask;
        if ((raw & kPointerFlag) && at + 4u <= page.size()) {
            const uint32_t pointer = b.u32(at);
            moved.push_back(RowRef{pointer >> 8, static_cast<uint16_t>(pointer & 0xFF)});
        }
    }
}

Bytes slotBytes(const Page& page, const Format& format, uint16_t row) {
    const Slot slot = slotOf(page, format, row);
    return Bytes(page.data() + slot.start, slot.end - slot.start);
}

namespace {

// Follows a row moved to another page; nothing when `pageOf` has no page to give.
template <class PageOf>
std::optional<RowBytes> followRow(const Format& format, RowRef ref, PageOf&& pageOf, uint32_t& missing) {
    for (int hop = 0; hop <= kMaxPointerHops; ++hop) {
        PagePtr page = pageOf(ref.page);
        if (!page) {
            missing = ref.page;
            return std::nullopt;
        }
        if ((*page)[0] != kDataPageType) corrupt();
        const Slot slot = slotOf(*page, format, ref.row);
        const Bytes bytes(page->data() + slot.start, slot.end - slot.start);
        if (slot.raw & kPointerFlag) {
            const uint32_t pointer = bytes.u32(0);
            ref = RowRef{pointer >> 8, static_cast<uint16_t>(pointer & 0xFF)};
            continue;
        }
        return RowBytes{std::move(page), bytes};
    }
    corrupt();
}

}  // namespace

RowBytes locateRow(PageCache& pages, const Format& format, RowRef ref) {
    uint32_t missing = 0;
    // The cache reads any page it doesn't hold, or throws.
    return *followRow(format, ref, [&](uint32_t number) { return pages.page(number); }, missing);
}

std::optional<RowBytes> locateRowAtHand(const PageCache& pages, const Format& format, RowRef ref,
                                        uint32_t& missing) {
    return followRow(format, ref, [&](uint32_t number) { return pages.peek(number); }, missing);
}

FieldSlice fieldSlice(Bytes row, const Format& format, const JetColumn& column) {
    FieldSlice out;
    const size_t length = row.size();
    const size_t countSize = format.jet3() ? 1 : 2;
    const size_t columnCount = format.jet3() ? row.u8(0) : row.u16(0);
    const size_t maskSize = (columnCount + 7) / 8;
    if (countSize + maskSize > length) corrupt();
    const size_t maskAt = length - maskSize;
    const bool present = column.number < columnCount &&
                         (row.u8(maskAt + column.number / 8) >> (column.number % 8) & 1) != 0;

    if (column.code == type_code::kBoolean && !column.calculated) {
        out.state = present ? FieldSlice::State::True : FieldSlice::State::False;
        return out;
    }
    if (!present) return out;

    if (column.fixed) {
        const size_t at = countSize + column.fixedOffset;
        if (at > maskAt || column.fixedSize > maskAt - at) return out;  // added after the row was written
        out.state = FieldSlice::State::Data;
        out.data = row.slice(at, column.fixedSize);
        if (column.calculated) out.data = calculatedValue(out.data);
        return out;
    }

    // Variable-length part: a table of offsets read backwards from just before the mask.
    size_t start = 0, end = 0, tableStart = 0;
    if (format.jet3()) {
        // Offsets are single bytes. The row keeps one jump entry per 256 bytes of its
        // whole length, each naming the first offset entry at or past the next multiple
        // of 256; all of them take their place, but those at or past the end of the
        // variable data (the offsets' own trailer) are not meant to be counted.
        if (maskAt < 1) corrupt();
        const size_t varCount = row.u8(maskAt - 1);
        if (column.varIndex >= varCount) return out;
        const size_t jumps = (length - 1) / 256;
        const size_t trailer = maskSize + 1 + jumps + varCount + 1;
        if (trailer > length) corrupt();
        tableStart = length - trailer;  // where the end-of-data entry lies, and its value
        const size_t jumpsUsed = std::min(jumps, tableStart / 256);
        const size_t varTableEnd = maskAt - 1 - jumps;  // entry i at varTableEnd - 1 - i
        auto offsetOf = [&](size_t i) {
            size_t value = row.u8(varTableEnd - 1 - i);
            for (size_t j = 0; j < jumpsUsed; ++j)
                if (row.u8(maskAt - 2 - j) <= i) value += 256;
            return value;
        };
        start = offsetOf(column.varIndex);
        end = offsetOf(column.varIndex + 1u);
    } else {
        if (maskAt < 2) corrupt();
        const size_t varCount = row.u16(maskAt - 2);
        if (column.varIndex >= varCount) return out;
        const size_t varTableEnd = maskAt - 2;  // entry i at varTableEnd - 2 * (i + 1)
        if (varTableEnd < 2 * (varCount + 1)) corrupt();
        tableStart = varTableEnd - 2 * (varCount + 1);
        start = row.u16(varTableEnd - 2 * (column.varIndex + 1u));
        end = row.u16(varTableEnd - 2 * (column.varIndex + 2u));
    }
    if (start > end || end > tableStart) corrupt();
    out.state = FieldSlice::State::Data;
    out.data = row.slice(start, end - start);
    const bool inLongValue = column.code == type_code::kMemo || column.code == type_code::kOle;
    if (column.calculated && !inLongValue) out.data = calculatedValue(out.data);
    return out;
}

Bytes calculatedValue(Bytes stored) {
    constexpr size_t kHeader = 16;
    const size_t length = stored.u32(kHeader);
    const size_t room = stored.size() - kHeader - 4;
    return stored.slice(kHeader + 4, std::min(length, room));
}

}  // namespace scandrel::db::jet
