#pragma once
// Where the rows of each value lie in a row list grouped by value: the look-up
// behind "WHERE column = number", made once per column and asked once per statement.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace scandrel::db::jet {

class KeyRanges {
public:
    KeyRanges() = default;
    // `keys`: the value of each row of the list, in the list's order, ascending.
    explicit KeyRanges(const std::vector<int64_t>& keys);
    // Whether keys from `lowest` to `highest`, `count` of them, are kept one table
    // entry per number (and so may be grouped by counting, see dense()).
    static bool denseFits(int64_t lowest, int64_t highest, size_t count);
    // The same ranges made from `starts`: for each number from `lowest` on, where its
    // rows start, and one entry more, the number of rows.
    static KeyRanges dense(int64_t lowest, std::vector<uint32_t> starts);

    // The first row of `key` and how many rows have it; a count of 0 when none has.
    std::pair<uint32_t, uint32_t> find(int64_t key) const;

private:
    // Record numbers and the like run with few gaps: then one table entry per number
    // from the lowest to the highest, holding where that number's rows start (the
    // next entry: where they end). Otherwise the distinct values, searched by halves.
    bool dense_ = true;
    int64_t lowest_ = 0;
    int64_t highest_ = -1;
    std::vector<uint32_t> starts_;  // dense: per number, plus one; sparse: per distinct value, plus one
    std::vector<int64_t> values_;   // sparse only
};

}  // namespace scandrel::db::jet
