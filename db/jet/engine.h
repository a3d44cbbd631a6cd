#pragma once
// One open database file: its format, pages, catalog, and what has been worked out
// about its tables (definitions, row lists, lookups by value, sort orders), kept
// for as long as the database stays open.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/jet/errors.h"
#include "db/jet/format.h"
#include "db/jet/key_ranges.h"
#include "db/jet/page_cache.h"
#include "db/jet/row.h"
#include "db/base/sql.h"
#include "db/jet/table_def.h"
#include "text/value.h"

namespace scandrel::db::jet {

class Query;

using RowList = std::vector<RowRef>;

class Engine : public std::enable_shared_from_this<Engine> {
public:
    static std::shared_ptr<Engine> open(const std::filesystem::path& path);
    // A database held in memory; `name` stands for the file name in messages.
    static std::shared_ptr<Engine> fromBytes(std::vector<uint8_t> bytes, std::u16string name);
    // The most bytes of pages kept: room for a clinic's whole database, within what a
    // 32-bit host process can spare.
    static constexpr size_t kCacheBudget = size_t{96} << 20;
    // A database read from any source of bytes (tests: one whose bytes change between
    // reads, or a cache smaller than the file).
    static std::shared_ptr<Engine> create(std::unique_ptr<ByteSource> source, std::u16string name,
                                          size_t cacheBytes = kCacheBudget);
    // A database whose pages share `budget` with other files' (a front-end's back-ends).
    static std::shared_ptr<Engine> create(std::unique_ptr<ByteSource> source, std::u16string name,
                                          std::shared_ptr<PageBudget> budget);

    Engine(std::unique_ptr<ByteSource> source, std::u16string name, const Format& format, size_t pagesKept,
           std::shared_ptr<PageBudget> budget);

    // The memory for pages this file shares with the files its links lead to.
    const std::shared_ptr<PageBudget>& pageBudget() const { return pages_.budget(); }

    // Tables and links, in catalog order.
    std::vector<std::u16string> tableNames() const;
    std::shared_ptr<const TableDef> table(std::u16string_view name);

    // A linked table: its rows live in another Jet file (`database`, the back-end's
    // path as stored) or on a database server (`connect`, the ODBC connection string
    // as stored); `foreignName` is the table's name there.
    struct Link {
        std::u16string name;
        bool odbc = false;
        std::u16string database;
        std::u16string connect;
        std::u16string foreignName;
    };
    // The link of that name, without regard to case; nullptr for a local table or none.
    const Link* link(std::u16string_view name) const;
    bool hasLinks() const { return !links_.empty(); }
    std::unique_ptr<Query> query(std::u16string_view sql);

    RowBytes locate(RowRef ref);
    Value value(const JetColumn& column, Bytes row);
    // See appendFieldText.
    bool appendText(const JetColumn& column, Bytes row, std::u16string& out);

    // Reading ahead, where the file doesn't fit the pages kept and lies on a network
    // (see PageCache::plansReads):
    // the pages of the rows [begin, end) of `rows`, rows of `def`, are read in file
    // order, with the long values their fields point at, and for each link the rows
    // its statement would give with the row's value in the link's column, with their
    // long values. Reads nothing elsewhere; never fails: what can't be worked out
    // ahead is read when it is asked for.
    struct AheadLink {
        std::u16string head;  // a statement that ends in a number, without the number
        size_t column = 0;    // the column of `def` that gives the number
    };
    void readAhead(const TableDef& def, const RowList& rows, size_t begin, size_t end,
                   const std::vector<AheadLink>& links);
    bool plansReads() const { return pages_.plansReads(); }
    // The most pages kept (see kCacheBudget).
    size_t pagesKept() const { return pages_.capacity(); }
    // Reads ahead whatever the file's size (tests).
    void alwaysReadAhead() { pages_.alwaysReadAhead(); }

    // Runs `work`, turning damage found in the file into error 3343 naming it. The host
    // may be writing the file while we read it: damage is first taken for a page caught
    // half written or moved, and `work` runs once more on a fresh look at the file
    // before 3343 is reported.
    template <class Work>
    auto guarded(Work&& work) -> decltype(work()) {
        try {
            return work();
        } catch (const CorruptFile&) {
        }
        startOver();
        try {
            return work();
        } catch (const CorruptFile&) {
            throw unrecognizedFormat(name_);
        }
    }

    // Changes each time what was read from the file is forgotten: rows looked up
    // before hold pages that are no longer trusted.
    uint32_t readings() const { return readings_; }

private:
    struct CatalogEntry {
        std::u16string name;
        std::u16string folded;
        uint32_t tdefPage = 0;
        int link = -1;  // index in links_ for a linked table
    };
    struct Lookup {
        std::shared_ptr<RowList> rows;  // grouped by value, physical order within a value
        KeyRanges ranges;
    };

    // A statement answered before, up to the number its WHERE ends with.
    struct Prepared {
        std::shared_ptr<const TableDef> def;
        SelectStatement::Where where;
        size_t whereColumn = 0;
        const Lookup* lookup = nullptr;
    };

    // Forgets every page and everything worked out from them, and looks at the file again.
    void startOver();
    // Reading ahead: rows of a table whose pages were asked for.
    struct AheadRows {
        const TableDef* def = nullptr;
        std::vector<RowRef> refs;
    };
    // Reads the pages of these rows (following rows moved to other pages) and of the long
    // values their fields point at; `each(def, row bytes)` is called for every row at hand.
    template <class Each>
    void fetchRowsAhead(std::vector<AheadRows>& groups, Each&& each);
    void readCatalog();
    // The table's rows, with `visit(index in the list, row bytes)` called for each;
    // `restart()` when the rows visited so far are to be forgotten, because they are
    // all visited again.
    template <class Visit, class Restart>
    std::shared_ptr<const RowList> scanRows(const TableDef& def, Visit&& visit, Restart&& restart);
    template <class Visit>
    void visitRows(const RowList& rows, Visit&& visit);
    std::shared_ptr<const RowList> rowsOf(const TableDef& def);
    const Lookup& lookup(const TableDef& def, size_t column);
    std::shared_ptr<const RowList> sorted(const TableDef& def, size_t column, bool descending,
                                          const RowList& rows);
    std::shared_ptr<const RowList> sortedTable(const TableDef& def, size_t column, bool descending);
    std::unique_ptr<Query> rowsWith(const Prepared& prepared, const SelectStatement::Where& where);
    void prepare(std::u16string_view head, const Prepared& prepared);

    std::u16string name_;
    uint32_t readings_ = 0;
    PageCache pages_;
    Format format_;
    std::vector<CatalogEntry> catalog_;
    std::vector<Link> links_;
    std::unordered_map<uint32_t, std::shared_ptr<const TableDef>> definitions_;
    std::unordered_map<uint32_t, std::shared_ptr<const RowList>> rows_;
    std::map<std::pair<uint32_t, size_t>, Lookup> lookups_;
    std::map<std::tuple<uint32_t, size_t, bool>, std::shared_ptr<const RowList>> orders_;
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>{}(text); }
    };
    // By the statement's text before its number.
    std::unordered_map<std::u16string, Prepared, TextHash, std::equal_to<>> prepared_;
};

}  // namespace scandrel::db::jet
