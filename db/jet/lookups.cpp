// Look-ups by value and sort orders: how the engine answers WHERE column = number
// (the table's rows grouped by that column, made once) and ORDER BY (the rows sorted
// by the one order of values, db/base/value_order.h), and the statements it keeps
// prepared. On the engine's thread.
#include "db/jet/lookups.h"

#include <algorithm>
#include <numeric>

#include "db/base/value_order.h"
#include "db/jet/engine.h"
#include "db/jet/query.h"

namespace scandrel::db::jet {
namespace {

std::shared_ptr<const RowList> inOrder(const RowList& rows, const std::vector<SortKey>& keys, bool descending) {
    const std::vector<uint32_t> order = sortedPlaces(keys, descending);
    auto out = std::make_shared<RowList>();
    out->reserve(rows.size());
    for (uint32_t i : order) out->push_back(rows[i]);
    return out;
}

}  // namespace

Lookup groupRows(const RowList& all, const std::vector<int64_t>& keys, const std::vector<uint32_t>& at) {
    Lookup made;
    auto grouped = std::make_shared<RowList>(keys.size());
    if (!keys.empty()) {
        const auto [low, high] = std::minmax_element(keys.begin(), keys.end());
        const int64_t lowest = *low;
        if (KeyRanges::denseFits(lowest, *high, keys.size())) {
            // Record numbers: each row goes straight to its place, counted out per number.
            const auto place = [lowest](int64_t k) {
                return static_cast<size_t>(static_cast<uint64_t>(k) - static_cast<uint64_t>(lowest));
            };
            std::vector<uint32_t> starts(place(*high) + 2, 0);
            for (const int64_t k : keys) ++starts[place(k) + 1];
            for (size_t i = 1; i < starts.size(); ++i) starts[i] += starts[i - 1];
            std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
            for (size_t i = 0; i < keys.size(); ++i) (*grouped)[next[place(keys[i])]++] = all[at[i]];
            made.ranges = KeyRanges::dense(lowest, std::move(starts));
        } else {
            std::vector<uint32_t> order(keys.size());
            std::iota(order.begin(), order.end(), 0u);
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
            std::vector<int64_t> sortedKeys;
            sortedKeys.reserve(keys.size());
            for (size_t i = 0; i < order.size(); ++i) {
                (*grouped)[i] = all[at[order[i]]];
                sortedKeys.push_back(keys[order[i]]);
            }
            made.ranges = KeyRanges(sortedKeys);
        }
    }
    made.rows = std::move(grouped);
    return made;
}

void PreparedStatements::add(std::u16string_view head, const Prepared& prepared) {
    if (prepared_.size() >= kMost) prepared_.clear();
    prepared_.insert_or_assign(std::u16string(head), prepared);
}

const Lookup& Engine::lookup(const TableDef& def, size_t column) {
    const auto key = std::make_pair(def.tdefPage, column);
    if (auto found = lookups_.find(key); found != lookups_.end()) return found->second;

    std::vector<int64_t> keys;  // of the rows that have one, in list order
    std::vector<uint32_t> at;   // where those rows are in the list
    const std::shared_ptr<const RowList> all = scanRows(
        def,
        [&](size_t i, Bytes row) {
            if (const auto k = wholeNumber(value(def.columns[column], row))) {
                keys.push_back(*k);
                at.push_back(static_cast<uint32_t>(i));
            }
        },
        [&] {
            keys.clear();
            at.clear();
        });

    Lookup made = groupRows(*all, keys, at);
    // The plain list of the table is made again if it is asked for: kept beside the
    // look-up, which holds the same rows, it would double what a large table takes.
    rows_.erase(def.tdefPage);
    return lookups_.emplace(key, std::move(made)).first->second;
}

std::shared_ptr<const RowList> Engine::sorted(const TableDef& def, size_t column, bool descending,
                                              const RowList& rows) {
    std::vector<SortKey> keys;
    keys.reserve(rows.size());
    for (const RowRef& ref : rows) {
        const RowBytes row = locate(ref);
        keys.push_back(sortKey(value(def.columns[column], row.bytes)));
    }
    return inOrder(rows, keys, descending);
}

std::shared_ptr<const RowList> Engine::sortedTable(const TableDef& def, size_t column, bool descending) {
    std::vector<SortKey> keys;
    const std::shared_ptr<const RowList> rows =
        scanRows(def, [&](size_t, Bytes row) { keys.push_back(sortKey(value(def.columns[column], row))); },
                 [&] { keys.clear(); });
    return inOrder(*rows, keys, descending);
}

std::unique_ptr<Query> Engine::rowsWith(const Prepared& prepared, const SelectStatement::Where& where) {
    size_t begin = 0, end = 0;
    if (!where.outOfRange) {
        const auto [first, count] = prepared.lookup->ranges.find(where.value);
        begin = first;
        end = begin + count;
    }
    return std::make_unique<Query>(shared_from_this(), prepared.def, prepared.lookup->rows, begin, end);
}

}  // namespace scandrel::db::jet
