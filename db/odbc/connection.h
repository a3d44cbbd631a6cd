#pragma once
// A connection to a database server through the platform's ODBC driver manager,
// made with a linked table's connection string, with time limits on connecting and
// on every statement so that a server that does not answer never holds the search.
// Statements may be sent from several threads: they are sent one at a time.
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/odbc/cell_reader.h"
#include "db/odbc/handle.h"
#include "db/odbc/result_rows.h"
#include "db/odbc/server.h"

namespace scandrel::db::odbc {

class Connection {
public:
    // `connect` without Jet's "ODBC;" mark. 3151 naming `dataSource` when it fails.
    // `encoding`: how texts are asked of the driver (see cell_reader.h).
    Connection(std::u16string_view connect, std::u16string_view dataSource,
               TextEncoding encoding = TextEncoding::Utf16);

    // What one statement may take before it is given up with error 3146.
    struct Limits {
        std::chrono::milliseconds time = std::chrono::seconds(kQueryTimeoutSeconds);  // executing and fetching
        size_t rows = kMostRowsPerStatement;
        size_t bytes = kMostBytesPerStatement;  // of the rows as held here
    };

    // Sends the statement and takes every row of its answer. 3146 when it fails, and
    // when it goes past a limit.
    std::shared_ptr<ResultRows> fetch(std::u16string_view sql);
    // The same, but an answer of more than `rows` rows or `bytes` bytes (within the
    // limits above) is dropped and gives null: a table is held whole only when small.
    std::shared_ptr<ResultRows> fetchAtMost(std::u16string_view sql, size_t rows, size_t bytes);
    // The one column of the primary key of a table, as the server names it; nothing
    // for a table without one or with a key of several columns. 3146 when it fails.
    std::optional<std::u16string> primaryKey(std::u16string_view table);
    // How texts are asked for: as UTF-16, or as UTF-8 where the driver gives it.
    TextEncoding textEncoding() const { return encoding_; }
    // For tests: smaller limits.
    void setLimits(const Limits& limits);
    // A table or column name as the server is sent it (see sql_name.h); 3125 for one
    // that can't be sent safely.
    std::u16string quoted(std::u16string_view name) const;

private:
    // With sending_ held.
    std::shared_ptr<ResultRows> fetch(std::u16string_view sql, size_t mostRows, size_t mostBytes, bool nullPast);
    // How a statement's rows are taken, each way tried when the one before could not
    // take a value whole: the columns of known size bound and fetched a rowset at a
    // time; bound but a row at a time, a value longer than its room then read whole at
    // its row with SQLGetData; nothing bound, every value read with SQLGetData.
    enum class Fetching : uint8_t { Rowsets, Rows, Unbound };
    // `complete` is cleared when a bound value came cut short and could not be read
    // whole this way (the statement is then sent again the next way).
    std::shared_ptr<ResultRows> fetchOnce(std::u16string_view sql, size_t mostRows, size_t mostBytes, bool nullPast,
                                          Fetching fetching, bool& complete);

    // Whether the driver gives a text asked for as bytes (SQL_C_CHAR) in UTF-8, the
    // server's text as it is, sparing it a conversion to UTF-16 per value; asked once,
    // at connecting, with a statement of its own. False when anything fails.
    bool givesUtf8();

    // Binds what it can of the statement's columns; the rows fetched at once (one
    // unless `rowsets`).
    size_t bindColumns(const Handle& statement, std::vector<CellReader>& readers,
                       const std::vector<ColumnInfo>& columns, SQLULEN* fetched, bool rowsets);

    Handle environment_;
    Handle connection_;
    std::u16string quote_;
    bool getDataAnyColumn_ = false;  // the driver reads unbound columns before bound ones too
    bool getDataBound_ = false;      // ... and bound columns, at a rowset of one row
    TextEncoding encoding_;
    std::mutex sending_;  // held for the whole of a statement
    // The room the statement being sent binds its columns in (with sending_ held):
    // kept for the next, so that a statement does not map, fault in and clear fresh
    // memory for its rowsets.
    std::vector<SQLLEN> boundRoom_;
    Limits limits_;
};

}  // namespace scandrel::db::odbc
