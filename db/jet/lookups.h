#pragma once
// What the engine works out once to answer statements fast, and keeps: a table's
// rows grouped by the whole number of one column (a look-up, for WHERE column =
// number), and the statements answered before, up to their number. Built and read
// on the engine's thread; the rows of a look-up are shared, never changed, with the
// record sets that hold them.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/base/sql.h"
#include "db/jet/key_ranges.h"
#include "db/jet/row.h"
#include "db/jet/table_def.h"

namespace scandrel::db::jet {

struct Lookup {
    std::shared_ptr<const RowList> rows;  // grouped by value, physical order within a value
    KeyRanges ranges;
};

// The look-up of the rows `all`, of which those at `at` have the whole numbers `keys`
// (the others have none and are left out).
Lookup groupRows(const RowList& all, const std::vector<int64_t>& keys, const std::vector<uint32_t>& at);

// A statement answered before, up to the number its WHERE ends with.
struct Prepared {
    std::shared_ptr<const TableDef> def;
    SelectStatement::Where where;
    size_t whereColumn = 0;
    const Lookup* lookup = nullptr;
};

// Prepared statements by their text before the number: the search sends the same few
// for every patient, each time with another number.
class PreparedStatements {
public:
    // Nullptr when the text was not prepared.
    const Prepared* find(std::u16string_view head) const {
        const auto found = prepared_.find(head);
        return found == prepared_.end() ? nullptr : &found->second;
    }
    // Keeps at most kMost: a caller sending ever new statements must not make this
    // grow without end.
    void add(std::u16string_view head, const Prepared& prepared);
    void clear() { prepared_.clear(); }

    static constexpr size_t kMost = 64;

private:
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>{}(text); }
    };
    std::unordered_map<std::u16string, Prepared, TextHash, std::equal_to<>> prepared_;
};

}  // namespace scandrel::db::jet
