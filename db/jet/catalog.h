#pragma once
// The file's catalog: the user tables and linked tables it lists, in catalog order,
// found by name without regard to case, with where each table's definition is and
// where each link points. Read once when the file is opened (and again when the
// engine starts over); then only read, on the engine's thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/jet/format.h"
#include "db/jet/page_cache.h"
#include "db/jet/row.h"
#include "db/jet/table_def.h"

namespace scandrel::db::jet {

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

class Catalog {
public:
    // The definition page of the catalog table.
    static constexpr uint32_t kPage = 2;

    // From the rows of the catalog table `def`, as listed; system tables, queries,
    // forms, reports and the like are left out. CorruptFile when `def` is no catalog.
    static Catalog read(PageCache& pages, const Format& format, const TableDef& def, const RowList& rows);

    // Tables and links, in catalog order.
    std::vector<std::u16string> tableNames() const;
    // The definition page of the user table of that name; nothing for a link or none.
    std::optional<uint32_t> tablePage(std::u16string_view name) const;
    // The link of that name; nullptr for a local table or none.
    const Link* link(std::u16string_view name) const;
    bool hasLinks() const { return !links_.empty(); }

private:
    struct Entry {
        std::u16string name;
        std::u16string folded;
        uint32_t tdefPage = 0;
        int link = -1;  // index in links_ for a linked table
    };
    std::vector<Entry> entries_;
    std::vector<Link> links_;
};

}  // namespace scandrel::db::jet
