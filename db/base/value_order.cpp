#include "db/base/value_order.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <system_error>
#include <thread>

#include "db/base/collation.h"

namespace scandrel::db {
namespace {

// Digits of a 96-bit magnitude divided by ten; returns the remainder.
uint32_t divideByTen(std::array<uint32_t, 3>& words) {
    uint64_t remainder = 0;
    for (size_t i = words.size(); i-- > 0;) {
        const uint64_t current = (remainder << 32) | words[i];
        words[i] = static_cast<uint32_t>(current / 10);
        remainder = current % 10;
    }
    return static_cast<uint32_t>(remainder);
}

double decimalToDouble(const Value::Decimal& d) {
    double magnitude = static_cast<double>(d.mantissa[0]) + std::ldexp(static_cast<double>(d.mantissa[1]), 32) +
                       std::ldexp(static_cast<double>(d.mantissa[2]), 64);
    magnitude /= std::pow(10.0, d.scale);
    return d.negative ? -magnitude : magnitude;
}

void appendUnit(std::string& key, char16_t unit) {
    key.push_back(static_cast<char>(unit >> 8));
    key.push_back(static_cast<char>(unit & 0xFF));
}

std::string bytesOf(const std::u16string& units) {
    std::string key(units.size() * 2, '\0');
    // Through plain pointers: the string's size and place are not looked at again for
    // every byte (a sort key is made for each of a table's rows).
    const char16_t* from = units.data();
    auto* to = reinterpret_cast<unsigned char*>(key.data());
    for (size_t i = 0; i < units.size(); ++i) {
        to[2 * i] = static_cast<unsigned char>(from[i] >> 8);
        to[2 * i + 1] = static_cast<unsigned char>(from[i] & 0xFF);
    }
    return key;
}

}  // namespace

SortKey sortKey(const Value& v) {
    SortKey key;
    key.null = false;
    switch (v.kind()) {
        case Value::Kind::Empty:
        case Value::Kind::Null: key.null = true; break;
        case Value::Kind::Boolean: key.number = v.asBoolean() ? -1 : 0; break;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long: key.number = static_cast<double>(v.asInteger()); break;
        case Value::Kind::Currency: key.number = static_cast<double>(v.asInteger()) / 10000.0; break;
        case Value::Kind::Single:
        case Value::Kind::Double:
        case Value::Kind::Date: key.number = v.asDouble(); break;
        case Value::Kind::Decimal: key.number = decimalToDouble(v.asDecimal()); break;
        case Value::Kind::Text: key.text = bytesOf(collationKey(v.asText())); break;
        case Value::Kind::Binary:
            for (uint8_t b : v.asBinary()) appendUnit(key.text, static_cast<char16_t>(b + 1));
            break;
        case Value::Kind::Guid:
            for (uint8_t b : v.asGuid()) appendUnit(key.text, static_cast<char16_t>(b + 1));
            break;
    }
    if (std::isnan(key.number)) key.number = 0;
    return key;
}

std::vector<uint32_t> sortedPlaces(const std::vector<SortKey>& keys, bool descending) {
    std::vector<uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto before = [&](uint32_t a, uint32_t b) { return descending ? keys[b] < keys[a] : keys[a] < keys[b]; };
    if (keys.size() < kSortedOnTwoThreadsFrom) {
        std::stable_sort(order.begin(), order.end(), before);
        return order;
    }
    // Two halves sorted at once, the first on a thread of its own, then merged: a
    // large table's order is worked out while nothing else can run yet.
    const auto middle = order.begin() + static_cast<std::ptrdiff_t>(order.size() / 2);
    std::thread first;
    try {
        first = std::thread([&] { std::stable_sort(order.begin(), middle, before); });
    } catch (const std::system_error&) {
        std::stable_sort(order.begin(), middle, before);  // no thread to be had
    }
    std::stable_sort(middle, order.end(), before);
    if (first.joinable()) first.join();
    std::inplace_merge(order.begin(), middle, order.end(), before);
    return order;
}

std::optional<int64_t> wholeNumber(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Boolean: return v.asBoolean() ? -1 : 0;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long: return v.asInteger();
        case Value::Kind::Currency: {
            const int64_t raw = v.asInteger();
            if (raw % 10000 != 0) return std::nullopt;
            return raw / 10000;
        }
        case Value::Kind::Single:
        case Value::Kind::Double:
        case Value::Kind::Date: {
            const double d = v.asDouble();
            if (!std::isfinite(d) || d != std::floor(d) || d < -9.2e18 || d > 9.2e18) return std::nullopt;
            return static_cast<int64_t>(d);
        }
        case Value::Kind::Decimal: {
            Value::Decimal d = v.asDecimal();
            for (uint8_t i = 0; i < d.scale; ++i)
                if (divideByTen(d.mantissa) != 0) return std::nullopt;
            if (d.mantissa[2] != 0 || d.mantissa[1] > 0x7FFFFFFFu) return std::nullopt;
            const int64_t magnitude = static_cast<int64_t>((static_cast<uint64_t>(d.mantissa[1]) << 32) | d.mantissa[0]);
            return d.negative ? -magnitude : magnitude;
        }
        default: return std::nullopt;
    }
}

}  // namespace scandrel::db
