#include "db/odbc/row_order.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "db/jet/collation.h"

namespace scandrel::db::odbc {
namespace {

struct OrderKey {
    bool null = true;
    double number = 0;
    std::u16string text;

    bool operator<(const OrderKey& other) const {
        if (null != other.null) return null;
        if (number != other.number) return number < other.number;
        return text < other.text;
    }
};

OrderKey orderKey(const Value& v) {
    OrderKey key;
    if (v.isNull() || v.isEmpty()) return key;
    key.null = false;
    if (v.kind() == Value::Kind::Text) {
        key.text = jet::collationKey(v.asText());
    } else if (v.isNumeric()) {
        key.number = v.toDouble();
        if (std::isnan(key.number)) key.number = 0;
    }
    return key;
}

}  // namespace

Picked sortedBy(const ResultRows& data, const Picked& picked, size_t column, bool descending) {
    std::vector<OrderKey> keys;
    keys.reserve(picked.size());
    for (const uint32_t row : picked) keys.push_back(orderKey(data.rows[row][column]));
    std::vector<uint32_t> order(picked.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    Picked out;
    out.reserve(order.size());
    for (const uint32_t i : order) out.push_back(picked[i]);
    return out;
}

std::optional<int64_t> wholeNumber(const Value& v) {
    switch (v.kind()) {
        case Value::Kind::Boolean: return v.asBoolean() ? -1 : 0;
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long: return v.asInteger();
        case Value::Kind::Single:
        case Value::Kind::Double:
        case Value::Kind::Date: {
            const double d = v.asDouble();
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.2e18) return std::nullopt;
            return static_cast<int64_t>(d);
        }
        default: return std::nullopt;
    }
}

KeyGroups groupBy(const ResultRows& data, size_t column) {
    std::vector<std::pair<int64_t, uint32_t>> keyed;
    for (uint32_t row = 0; row < data.rows.size(); ++row)
        if (const auto key = wholeNumber(data.rows[row][column])) keyed.emplace_back(*key, row);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    KeyGroups groups;
    groups.rows = std::make_shared<Picked>();
    groups.keys.reserve(keyed.size());
    groups.rows->reserve(keyed.size());
    for (const auto& [key, row] : keyed) {
        groups.keys.push_back(key);
        groups.rows->push_back(row);
    }
    return groups;
}

std::pair<size_t, size_t> KeyGroups::find(int64_t key) const {
    const auto [low, high] = std::equal_range(keys.begin(), keys.end(), key);
    return {static_cast<size_t>(low - keys.begin()), static_cast<size_t>(high - keys.begin())};
}

}  // namespace scandrel::db::odbc
