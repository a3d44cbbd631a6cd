#pragma once
// The one order of values the engine sorts and looks rows up by, for a Jet file's
// tables and for the rows a database server sent alike: nulls first, then numbers by
// value, texts by the general sort order (db/base/collation.h), bytes and
// replication ids by their bytes. Pure functions, any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/value.h"

namespace scandrel::db {

// How a value sorts. The text key's code units are kept high byte first, so that
// comparing its bytes (one memcmp) orders it as its code units would.
struct SortKey {
    bool null = true;
    double number = 0;
    std::string text;

    bool operator<(const SortKey& other) const {
        if (null != other.null) return null;
        if (number != other.number) return number < other.number;
        return text < other.text;
    }
};
SortKey sortKey(const Value& value);

// The places 0..keys.size()-1 in the order of their keys, ascending or descending;
// places with equal keys keep their order. From kSortedOnTwoThreadsFrom keys on, the
// halves are sorted on two threads at once (one of them started, and joined, here).
std::vector<uint32_t> sortedPlaces(const std::vector<SortKey>& keys, bool descending);
constexpr size_t kSortedOnTwoThreadsFrom = 16384;

// The whole number a value stands for in WHERE column = number; nothing for a value
// that no number equals.
std::optional<int64_t> wholeNumber(const Value& value);

}  // namespace scandrel::db
