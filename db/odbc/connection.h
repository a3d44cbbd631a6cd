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

    // What one statement may take before it is given up with error 3146.
    struct Limits {
        std::chrono::milliseconds time = std::chrono::seconds(kQueryTimeoutSeconds);  // executing and fetching
        size_t rows = kMostRowsPerStatement;
        size_t bytes = kMostBytesPerStatement;  // of the rows as held here
    };

    // Sends the statement and takes every row of its answer. 3146 when it fails, and
    // when it goes past a limit.
    std::shared_ptr<ResultRows> fetch(std::u16string_view sql);
    // For tests: smaller limits.
    void setLimits(const Limits& limits) { limits_ = limits; }
    // A table or column name as the server is sent it (see sql_name.h); 3125 for one
    // that can't be sent safely.
    std::u16string quoted(std::u16string_view name) const;

private:
    Handle environment_;
    Handle connection_;
    std::u16string quote_;
    Limits limits_;
};

}  // namespace scandrel::db::odbc
