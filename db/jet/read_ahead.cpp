// Reading ahead (Engine::readAhead), where the file doesn't fit the pages kept and
// lies on a network: the reads of the rows the search will need next, of the long
// values they point at and of the related rows of each statement linked to them,
// planned and sent together (PageCache::fetch). Never fails: what can't be worked
// out ahead is read, and reported, when it is asked for. On the engine's thread.
#include <algorithm>
#include <functional>
#include <map>

#include "db/base/value_order.h"
#include "db/jet/engine.h"
#include "db/jet/long_value.h"

namespace scandrel::db::jet {
namespace {

// Rounds of following rows moved to other pages, and chains of long values.
constexpr int kMostAheadRounds = 8;

bool holdsLongValue(const JetColumn& column) {
    return column.code == type_code::kMemo || column.code == type_code::kOle;
}

// Rows of a table whose pages are asked for.
struct AheadRows {
    const TableDef* def = nullptr;
    std::vector<RowRef> refs;
};

// Reads the pages of these rows (following rows moved to other pages) and of the long
// values their fields point at; `each(def, row bytes)` is called for every row at hand.
void fetchRowsAhead(PageCache& pages, const Format& format, std::vector<AheadRows>& groups,
                    const std::function<void(const TableDef&, Bytes)>& each) {
    std::vector<uint32_t> wanted;
    for (const AheadRows& group : groups)
        for (const RowRef& ref : group.refs) wanted.push_back(ref.page);
    // Rows, then the rows they were moved to.
    std::vector<std::pair<const TableDef*, RowBytes>> located;
    std::vector<uint32_t> asked;
    for (int round = 0; round < kMostAheadRounds && !wanted.empty(); ++round) {
        asked.insert(asked.end(), wanted.begin(), wanted.end());
        std::sort(asked.begin(), asked.end());
        pages.fetch(std::move(wanted));
        wanted.clear();
        for (AheadRows& group : groups) {
            std::vector<RowRef> waiting;
            for (const RowRef& ref : group.refs) {
                uint32_t missing = 0;
                try {
                    if (auto row = locateRowAtHand(pages, format, ref, missing)) {
                        located.emplace_back(group.def, std::move(*row));
                    } else if (!std::binary_search(asked.begin(), asked.end(), missing)) {
                        // The row was moved to a page not asked for yet: that page next.
                        wanted.push_back(missing);
                        waiting.push_back(ref);
                    }
                } catch (const CorruptFile&) {
                    // Left to be read, and reported, when it is asked for.
                }
            }
            group.refs = std::move(waiting);
        }
        std::erase_if(wanted, [&](uint32_t page) { return pages.peek(page) != nullptr; });
    }
    // Long values, then the rest of their chains.
    std::vector<uint32_t> chains;
    for (const auto& [def, row] : located) {
        each(*def, row.bytes);
        for (const JetColumn& column : def->columns) {
            if (!holdsLongValue(column)) continue;
            try {
                const FieldSlice slice = fieldSlice(row.bytes, format, column);
                if (slice.state != FieldSlice::State::Data) continue;
                bool chain = false;
                const uint32_t start = longValueStart(slice.data, chain);
                if (start == 0) continue;
                wanted.push_back(start >> 8);
                if (chain) chains.push_back(start);
            } catch (const CorruptFile&) {
            }
        }
    }
    for (int round = 0; round < kMostAheadRounds && !wanted.empty(); ++round) {
        pages.fetch(std::move(wanted));
        wanted.clear();
        std::vector<uint32_t> next;
        for (const uint32_t pointer : chains) {
            try {
                bool missing = false;
                const uint32_t after = nextInChainAtHand(pages, format, pointer, missing);
                if (after == 0 || after == pointer) continue;
                next.push_back(after);
                if (!pages.peek(after >> 8)) wanted.push_back(after >> 8);
            } catch (const CorruptFile&) {
            }
        }
        chains = std::move(next);
    }
}

}  // namespace

void Engine::readAhead(const TableDef& def, const RowList& rows, size_t begin, size_t end,
                       const std::vector<AheadLink>& links) {
    if (!pages_.plansReads() || begin >= end || end > rows.size()) return;
    std::vector<AheadRows> first(1);
    first[0].def = &def;
    first[0].refs.assign(rows.begin() + static_cast<std::ptrdiff_t>(begin), rows.begin() + static_cast<std::ptrdiff_t>(end));
    // The statements linked, as prepared when they were first sent; one not sent yet
    // is left out.
    std::vector<std::pair<const AheadLink*, const Prepared*>> prepared;
    for (const AheadLink& link : links) {
        const Prepared* found = prepared_.find(link.head);
        if (found && link.column < def.columns.size()) prepared.emplace_back(&link, found);
    }
    std::map<const TableDef*, std::vector<RowRef>> related;
    fetchRowsAhead(pages_, format_, first, [&](const TableDef& table, Bytes row) {
        for (const auto& [link, statement] : prepared) {
            const JetColumn& column = table.columns[link->column];
            if (holdsLongValue(column)) continue;
            try {
                const std::optional<int64_t> key = wholeNumber(value(column, row));
                if (!key) continue;
                const auto [at, count] = statement->lookup->ranges.find(*key);
                const RowList& found = *statement->lookup->rows;
                auto& refs = related[statement->def.get()];
                refs.insert(refs.end(), found.begin() + at, found.begin() + at + count);
            } catch (const CorruptFile&) {
            }
        }
    });
    std::vector<AheadRows> second;
    for (auto& [table, refs] : related) second.push_back(AheadRows{table, std::move(refs)});
    fetchRowsAhead(pages_, format_, second, [](const TableDef&, Bytes) {});
}

}  // namespace scandrel::db::jet
