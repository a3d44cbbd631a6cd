#pragma once
// A connection to a database server through the platform's ODBC driver manager,
// made with a linked table's connection string, with time limits on connecting and
// on every statement so that a server that does not answer never holds the search.
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "db/odbc/handle.h"
#include "db/odbc/result_rows.h"
#include "db/odbc/server.h"

namespace scandrel::db::odbc {

class Connection {
public:
    // `connect` without Jet's "ODBC;" mark. 3151 naming `dataSource` when it fails.
    Connection(std::u16string_view connect, std::u16string_view dataSource);

    // Sends the statement and takes every row of its answer. 3146 when it fails, also
    // when executing and fetching together take longer than the statement limit.
    std::shared_ptr<ResultRows> fetch(std::u16string_view sql);
    // For tests: a shorter limit than kQueryTimeoutSeconds.
    void setStatementLimit(std::chrono::milliseconds limit);
    // A table or column name quoted for the server; a dotted table name ("public.x")
    // quoted part by part.
    std::u16string quoted(std::u16string_view name) const;

private:
    Handle environment_;
    Handle connection_;
    std::u16string quote_;
    std::chrono::milliseconds statementLimit_ = std::chrono::seconds(kQueryTimeoutSeconds);
};

}  // namespace scandrel::db::odbc
