#include "db/jet/field_value.h"

#include <bit>
#include <cstring>
#include <utility>

#include "db/jet/long_value.h"
#include "db/jet/text_decode.h"

namespace scandrel::db::jet {
namespace {

std::u16string textOf(const Format& format, Bytes bytes) {
    return format.jet3() ? decodeCp1252(bytes) : decodeUnicodeText(bytes);
}

// Numeric: a sign byte, then the magnitude as four 32-bit little-endian words,
// most significant word first.
Value numericValue(Bytes data, uint8_t scale) {
    Value::Decimal decimal;
    decimal.negative = (data.u8(0) & 0x80) != 0;
    decimal.scale = scale > 28 ? 28 : scale;
    if (data.u32(1) != 0) corrupt();  // beyond 96 bits: no valid numeric is that large
    decimal.mantissa[2] = data.u32(5);
    decimal.mantissa[1] = data.u32(9);
    decimal.mantissa[0] = data.u32(13);
    return Value::decimal(decimal);
}

// Large numbers are kept exactly as a decimal with no fractional digits.
Value bigIntValue(uint64_t raw) {
    const auto signedValue = static_cast<int64_t>(raw);
    Value::Decimal decimal;
    decimal.negative = signedValue < 0;
    const uint64_t magnitude = decimal.negative ? (~raw + 1) : raw;
    decimal.mantissa[0] = static_cast<uint32_t>(magnitude);
    decimal.mantissa[1] = static_cast<uint32_t>(magnitude >> 32);
    return Value::decimal(decimal);
}

void appendTextOf(const Format& format, Bytes bytes, std::u16string& out) {
    if (format.jet3()) {
        appendCp1252(bytes, out);
    } else {
        appendUnicodeText(bytes, out);
    }
}

// A long value as its column means it: a calculated one has a header of its own.
Bytes longValueBytes(const JetColumn& column, const std::vector<uint8_t>& bytes) {
    const Bytes all(bytes.data(), bytes.size());
    return column.calculated ? calculatedValue(all) : all;
}

}  // namespace

bool appendFieldText(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice,
                     std::u16string& out) {
    if (slice.state != FieldSlice::State::Data) return false;
    if (column.code == type_code::kText) {
        appendTextOf(format, slice.data, out);
        return true;
    }
    if (column.code == type_code::kMemo) {
        const std::vector<uint8_t> bytes = readLongValue(pages, format, slice.data);
        appendTextOf(format, longValueBytes(column, bytes), out);
        return true;
    }
    return false;
}

bool appendFieldStored(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice,
                       StoredTexts& out) {
    if (slice.state != FieldSlice::State::Data) return false;
    const TextForm form = format.jet3() ? TextForm::Cp1252 : TextForm::Jet4;
    if (column.code == type_code::kText) {
        out.append(form, slice.data.data(), slice.data.size());
        return true;
    }
    if (column.code != type_code::kMemo) return false;
    if (column.calculated) {
        const std::vector<uint8_t> bytes = readLongValue(pages, format, slice.data);
        const Bytes value = longValueBytes(column, bytes);
        out.append(form, value.data(), value.size());
    } else {
        // Straight from the pages into the texts' bytes.
        out.appendFilled(form, [&](std::vector<uint8_t>& bytes) { appendLongValue(pages, format, slice.data, bytes); });
    }
    return true;
}

Value fieldValue(PageCache& pages, const Format& format, const JetColumn& column, const FieldSlice& slice) {
    using State = FieldSlice::State;
    if (slice.state == State::True) return Value::boolean(true);
    if (slice.state == State::False) return Value::boolean(false);
    if (slice.state == State::Null) return Value::null();
    const Bytes d = slice.data;
    switch (column.code) {
        case type_code::kBoolean: return Value::boolean(d.u8(0) != 0);  // a calculated one
        case type_code::kByte: return Value::byte(d.u8(0));
        case type_code::kInteger: return Value::integer(static_cast<int16_t>(d.u16(0)));
        case type_code::kLong: return Value::longValue(static_cast<int32_t>(d.u32(0)));
        case type_code::kComplex: return Value::longValue(static_cast<int32_t>(d.u32(0)));
        case type_code::kCurrency: return Value::currency(static_cast<int64_t>(d.u64(0)));
        case type_code::kSingle: return Value::single(std::bit_cast<float>(d.u32(0)));
        case type_code::kDouble: return Value::doubleValue(std::bit_cast<double>(d.u64(0)));
        case type_code::kDateTime: return Value::date(std::bit_cast<double>(d.u64(0)));
        case type_code::kBigInt: return bigIntValue(d.u64(0));
        case type_code::kNumeric: return numericValue(d.slice(0, 17), column.info.scale);
        case type_code::kGuid: {
            Value::Guid guid{};
            std::memcpy(guid.data(), d.slice(0, 16).data(), 16);
            return Value::guid(guid);
        }
        case type_code::kText: return Value::text(textOf(format, d));
        case type_code::kMemo: {
            const std::vector<uint8_t> bytes = readLongValue(pages, format, d);
            return Value::text(textOf(format, longValueBytes(column, bytes)));
        }
        case type_code::kOle: {
            std::vector<uint8_t> bytes = readLongValue(pages, format, d);
            if (!column.calculated) return Value::binary(std::move(bytes));
            const Bytes value = longValueBytes(column, bytes);
            return Value::binary(std::vector<uint8_t>(value.data(), value.data() + value.size()));
        }
        default: return Value::binary(std::vector<uint8_t>(d.data(), d.data() + d.size()));
    }
}

}  // namespace scandrel::db::jet
