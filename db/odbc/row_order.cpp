#include "db/odbc/row_order.h"

#include <algorithm>

#include "db/base/value_order.h"

namespace scandrel::db::odbc {

Picked sortedBy(const ResultRows& data, const Picked& picked, size_t column, bool descending) {
    std::vector<SortKey> keys;
    keys.reserve(picked.size());
    for (const uint32_t row : picked) keys.push_back(sortKey(data.rows[row][column]));
    const std::vector<uint32_t> order = sortedPlaces(keys, descending);
    Picked out;
    out.reserve(order.size());
    for (const uint32_t i : order) out.push_back(picked[i]);
    return out;
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
