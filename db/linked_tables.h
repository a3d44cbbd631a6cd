#pragma once
// A Jet file with the tables linked from it, and those linked tables: a query on one
// is read where the table's rows are, in another Jet file (the back-end, itself a
// JetFile with links of its own) or on a database server through ODBC. Back-ends and
// server connections are opened at their first query and kept for as long as the
// front-end stays open. Used on the thread of the database that opened the file.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/base/columns.h"
#include "db/base/names.h"
#include "db/base/row_set.h"
#include "db/base/sql.h"
#include "db/jet/engine.h"

namespace scandrel::db {

namespace odbc { class Server; }
class LinkedTables;

// The back-ends opened from the file the host opened, through the links of every
// file reached from it.
struct OpenedBackEnds {
    int count = 0;
};

// A statement on one of the file's own tables is answered by its engine, one on a
// linked table where the link points.
class JetFile {
public:
    // `folder` is the file's own, for back-end paths stored without one; `linkDepth`
    // counts the links followed to reach this file, negative: links left alone (a
    // query on a linked table then gives 3078). `opened`: the back-ends opened so far
    // from the file the host opened, shared by every file reached from it (null: a new
    // count for this file).
    JetFile(std::shared_ptr<jet::Engine> engine, std::filesystem::path folder, int linkDepth,
            std::shared_ptr<OpenedBackEnds> opened = nullptr);

    std::unique_ptr<RowSet> rows(std::u16string_view sql) const;
    // 3078 unknown table; for a linked table, the columns where its rows are.
    std::vector<ColumnInfo> columns(std::u16string_view table) const;
    const jet::Engine& engine() const { return *engine_; }

private:
    std::shared_ptr<jet::Engine> engine_;
    std::shared_ptr<LinkedTables> links_;  // null when the file has no linked tables, or they are left alone
};

class LinkedTables : public std::enable_shared_from_this<LinkedTables> {
public:
    // Links followed from the file the host opened, at most: more means links that
    // lead round in a circle.
    static constexpr int kMostLinks = 16;
    // Back-end files opened from the file the host opened, at most: each keeps its
    // own lists of rows, beside the pages they all share the memory for.
    static constexpr int kMostBackEnds = 16;

    // `folder` is the front-end's own, for back-end paths stored without one.
    LinkedTables(std::shared_ptr<jet::Engine> frontEnd, std::filesystem::path folder, int depth,
                 std::shared_ptr<OpenedBackEnds> opened);
    ~LinkedTables();

    // The rows of the statement when its table is a link; nullptr when it is not.
    std::unique_ptr<RowSet> open(std::u16string_view sql);
    std::vector<ColumnInfo> columns(std::u16string_view table);

    // Where the link's rows are, as the catalog names it.
    static std::u16string target(const jet::Engine::Link& link);

private:
    // How a statement is answered; a null link for a local table.
    struct Route {
        const jet::Engine::Link* link = nullptr;
        SelectStatement statement;  // as the far side names its table
        std::u16string farHead;          // Jet back-ends: the statement as sent there, up to its number
        // ODBC links: the server, once reached (servers stay while this object does),
        // so that the many statements of a search do not look it up by its string.
        mutable odbc::Server* server = nullptr;
    };

    Route route(std::u16string_view sql) const;
    // The route of a statement that ends in a number, by its text before the number.
    const Route& routeOf(std::u16string_view head, std::u16string_view sql);
    // The rows of the statement `head` followed by each of `numbers`, asked for ahead
    // by a scan of a server's table (see odbc::Server); nothing for other links.
    void fetchAhead(std::u16string_view head, const std::vector<int64_t>& numbers);
    std::unique_ptr<RowSet> openFrom(const Route& route, std::u16string_view digits);
    const JetFile& backEnd(const jet::Engine::Link& link);
    odbc::Server& server(const jet::Engine::Link& link);
    odbc::Server& server(const Route& route);

    std::shared_ptr<jet::Engine> frontEnd_;
    std::filesystem::path folder_;
    int depth_;
    std::shared_ptr<OpenedBackEnds> opened_;
    // Back-ends by the file they are, however their paths are spelt (by path where
    // the file system gives no identity), and the paths met so far.
    std::map<std::pair<jet::FileIdentity, std::filesystem::path>, JetFile> backEnds_;
    std::map<std::filesystem::path, const JetFile*> byPath_;
    std::map<std::u16string, std::unique_ptr<odbc::Server>> servers_;
    std::map<std::u16string, Error> unreachable_;  // by connection string, the failure
    // Statements that end in a number, by their text before it: the search sends the
    // same few for every patient.
    ByExactText<Route> routes_;
};

}  // namespace scandrel::db
