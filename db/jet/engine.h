#pragma once
// One open database file: its format, pages, catalog, and what has been worked out
// about its tables (definitions, row lists, look-ups by value, sort orders), kept
// for as long as the database stays open. Used on one thread at a time, the thread
// of the database that opened it (the page cache's readers excepted, see
// page_cache.h). The engine's parts, each in a file of its own: the catalog
// (catalog.h), look-ups and sort orders (lookups.h), reading ahead (read_ahead.cpp);
// scans and statements here.
//
// Reading a file the host writes while we read it. The host keeps the file open and
// writes it at any time, with no lock we could take; we never write, and never wait
// for it. The protocol, in one place:
//
//   1. Nothing read is trusted beyond its checks. Every page is checked as it is
//      used (its type, the table it belongs to, offsets within it, chains of long
//      values); a check that fails throws CorruptFile, never a crash or a wrong row.
//   2. A page past the end known so far, or a read that comes up short, makes the
//      page cache look at the file's size again and read once more: the host may have
//      added pages. A size that changed lets go of every page kept (PageCache).
//   3. Pages the host changes as it works (the maps of the pages each table owns)
//      are read fresh from the file, never from the pages kept (usage_map.cpp).
//   4. Every piece of work on the file runs in guarded(). The first CorruptFile
//      there is taken for a page caught half written or moved: the engine starts
//      over (startOver: every page, definition, row list, look-up, sort order and
//      prepared statement is forgotten, the file's size taken again, readings()
//      changes) and runs the work once more on a fresh look at the file.
//   5. A second CorruptFile in the same work is reported as 3343 naming the file
//      ("Formato de banco de dados ... não reconhecido."). There is no third try.
//   6. Record sets opened before a start over keep the row lists and definitions they
//      hold; a row they had located is located again when readings() has changed.
//   7. Reading ahead never fails: a page it can't read or a row that makes no sense
//      is left to be read, and reported, when it is asked for.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "db/base/sql.h"
#include "db/base/stored_texts.h"
#include "db/jet/catalog.h"
#include "db/jet/errors.h"
#include "db/jet/format.h"
#include "db/jet/lookups.h"
#include "db/jet/page_cache.h"
#include "db/jet/row.h"
#include "db/jet/table_def.h"
#include "text/value.h"

namespace scandrel::db::jet {

class Query;

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

    using Link = jet::Link;
    // The link of that name, without regard to case; nullptr for a local table or none.
    const Link* link(std::u16string_view name) const { return catalog_.link(name); }
    bool hasLinks() const { return catalog_.hasLinks(); }
    std::unique_ptr<Query> query(std::u16string_view sql);

    RowBytes locate(RowRef ref);
    Value value(const JetColumn& column, Bytes row);
    // See appendFieldText.
    bool appendText(const JetColumn& column, Bytes row, std::u16string& out);
    // See appendFieldStored.
    bool appendStored(const JetColumn& column, Bytes row, StoredTexts& out);

    // Reading ahead (read_ahead.cpp), where the file doesn't fit the pages kept and
    // lies on a network (see PageCache::plansReads):
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

    // Runs `work`, turning damage found in the file into error 3343 naming it, after
    // one start over and one more try (steps 4 and 5 above).
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
    // Forgets every page and everything worked out from them, and looks at the file again.
    void startOver();
    void readCatalog();
    // The table's rows, with `visit(index in the list, row bytes)` called for each;
    // `restart()` when the rows visited so far are to be forgotten, because they are
    // all visited again.
    using Visit = std::function<void(size_t, Bytes)>;
    std::shared_ptr<const RowList> scanRows(const TableDef& def, const Visit& visit,
                                            const std::function<void()>& restart);
    void visitRows(const RowList& rows, const Visit& visit);
    // Where the file doesn't fit: at the start of each batch of a table's pages, item
    // `at` of `count`, that batch fetched and the next one read alongside.
    template <class PageOf>
    void readTableAhead(size_t at, size_t count, PageOf&& pageOf);
    std::shared_ptr<const RowList> rowsOf(const TableDef& def);
    // Look-ups and sort orders (lookups.cpp).
    const Lookup& lookup(const TableDef& def, size_t column);
    std::shared_ptr<const RowList> sorted(const TableDef& def, size_t column, bool descending,
                                          const RowList& rows);
    std::shared_ptr<const RowList> sortedTable(const TableDef& def, size_t column, bool descending);
    std::unique_ptr<Query> rowsWith(const Prepared& prepared, const SelectStatement::Where& where);

    std::u16string name_;
    uint32_t readings_ = 0;
    PageCache pages_;
    Format format_;
    Catalog catalog_;
    std::unordered_map<uint32_t, std::shared_ptr<const TableDef>> definitions_;
    std::unordered_map<uint32_t, std::shared_ptr<const RowList>> rows_;
    std::map<std::pair<uint32_t, size_t>, Lookup> lookups_;
    std::map<std::tuple<uint32_t, size_t, bool>, std::shared_ptr<const RowList>> orders_;
    PreparedStatements prepared_;
};

}  // namespace scandrel::db::jet
